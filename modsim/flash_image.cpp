// Flash memory of a simulated module.
#include "modsim/flash_image.h"

#include <cstdio>
#include <cstring>

bool FlashImage::configure(uint32_t base, const uint32_t* sizes, int sectors, uint8_t erasedValue,
                           uint8_t fill) {
    if (sectors <= 0 || sectors > MaxSectors) return false;
    uint64_t total = 0;
    for (int i = 0; i < sectors; ++i) {
        if (sizes[i] == 0) return false;
        total += sizes[i];
    }
    if (total > MaxBytes || base + total > (uint64_t{1} << 32)) return false;
    start = base;
    erased = erasedValue;
    mem.assign(static_cast<size_t>(total), fill);
    blankBits.assign(static_cast<size_t>((total + 63) / 64), 0);
    sectorStarts.clear();
    uint32_t at = 0;
    for (int i = 0; i < sectors; ++i) {
        sectorStarts.push_back(at);
        at += sizes[i];
    }
    return true;
}

uint32_t FlashImage::sectorSize(int i) const {
    size_t next = static_cast<size_t>(i) + 1;
    uint32_t end = next < sectorStarts.size() ? sectorStarts[next] : size();
    return end - sectorStarts[static_cast<size_t>(i)];
}

bool FlashImage::erase(int sector) {
    if (sector < 0 || sector >= sectorCount()) return false;
    size_t from = sectorOffset(sector), n = sectorSize(sector);
    memset(mem.data() + from, erased, n);
    for (size_t i = from; i < from + n; ++i)
        blankBits[i / 64] |= uint64_t{1} << (i % 64);
    return true;
}

FlashImage::WriteResult FlashImage::write(uint32_t address, const uint8_t* data, size_t n,
                                          uint32_t* failedAt) {
    for (size_t i = 0; i < n; ++i) {
        uint64_t a = uint64_t{address} + i;
        if (a < start || a - start >= mem.size()) {
            *failedAt = static_cast<uint32_t>(a);
            return WriteResult::Outside;
        }
        if (!isBlank(static_cast<size_t>(a - start))) {
            *failedAt = static_cast<uint32_t>(a);
            return WriteResult::NotErased;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        size_t off = address - start + i;
        mem[off] = data[i];
        blankBits[off / 64] &= ~(uint64_t{1} << (off % 64));
    }
    return WriteResult::Ok;
}

bool FlashImage::blank(uint32_t address) const {
    return address >= start && address - start < mem.size() && isBlank(address - start);
}

bool FlashImage::saveTo(const char* path) const {
    FILE* f = fopen(path, "wb");
    if (f == nullptr) return false;
    bool ok = fwrite(mem.data(), 1, mem.size(), f) == mem.size();
    return fclose(f) == 0 && ok;
}
