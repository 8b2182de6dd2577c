// A simulated module's flash memory: a base address, sectors of given sizes and an erased
// value. Every byte remembers whether it is blank (erased and not written since): only
// blank bytes can be written, as in real flash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class FlashImage {
public:
    static constexpr int MaxSectors = 4096;
    static constexpr uint64_t MaxBytes = 64u << 20;

    enum class WriteResult : uint8_t { Ok, Outside, NotErased };

    // Sizes of the sectors in address order from base; every byte starts as fill, not blank
    // (the module's old program). False for no sectors, too many or too large.
    bool configure(uint32_t base, const uint32_t* sectorSizes, int sectors, uint8_t erasedValue,
                   uint8_t fill);

    uint32_t base() const { return start; }
    uint32_t size() const { return static_cast<uint32_t>(mem.size()); }
    int sectorCount() const { return static_cast<int>(sectorStarts.size()); }
    // Offset of sector i from base, and its size.
    uint32_t sectorOffset(int i) const { return sectorStarts[static_cast<size_t>(i)]; }
    uint32_t sectorSize(int i) const;
    uint8_t erasedValue() const { return erased; }

    // Sets the sector to the erased value and makes it blank; false for no such sector.
    bool erase(int sector);
    // Writes n bytes at an absolute address, all or nothing: refused when any byte lies
    // outside the flash or is not blank; *failedAt is then the first such address.
    WriteResult write(uint32_t address, const uint8_t* data, size_t n, uint32_t* failedAt);
    bool blank(uint32_t address) const;
    const uint8_t* bytes() const { return mem.data(); }
    // The whole flash as a binary file (offset 0 is base).
    bool saveTo(const char* path) const;

private:
    uint32_t start = 0;
    uint8_t erased = 0xFF;
    std::vector<uint8_t> mem;
    std::vector<uint64_t> blankBits;
    std::vector<uint32_t> sectorStarts;

    bool isBlank(size_t offset) const { return (blankBits[offset / 64] >> (offset % 64)) & 1; }
};
