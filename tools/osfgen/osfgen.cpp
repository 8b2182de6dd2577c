// osfgen: makes sample software files: the text header with every key, then a made-up
// program image as Intel-HEX records (16 or 32 data bytes each) with extended linear or
// segment address records, an optional start address and the end-of-file record.
//
//   osfgen [options] [-o FILE]
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
struct Options {
    uint32_t base = 0;
    uint32_t size = 64 * 1024;
    int recordBytes = 16;
    bool segments = false;
    bool crlf = false;
    bool holes = false;
    bool hasEntry = false;
    uint32_t entry = 0;
    uint32_t seed = 1;
    std::string sectors, addresses, ids, functions;
    std::string version = "1.0.0", date = "2024-01-15";
    const char* out = nullptr;
};

void usage() {
    printf("usage: osfgen [options] [-o FILE]\n"
           "  --base ADDR         load address of the image (default 0)\n"
           "  --size BYTES        image size, K and M allowed (default 64K)\n"
           "  --record 16|32      data bytes per record (default 16)\n"
           "  --segments          extended segment address records instead of linear ones\n"
           "  --holes             leave some 4 KiB blocks out (erased gaps)\n"
           "  --entry ADDR        a start linear address record\n"
           "  --sectors LIST      SectorsList (and Sectors as a mask when all are below 32)\n"
           "  --addresses LIST    J1939Address    --ids LIST  ModuleID\n"
           "  --functions LIST    Function        --seed N    content variant\n"
           "  --version TEXT      FirmwareVersion --date TEXT ReleaseDate\n"
           "  --crlf              CR LF line ends\n");
}

bool number(const char* s, uint32_t* out) {
    errno = 0;
    char* end;
    unsigned long long v = strtoull(s, &end, 0);
    unsigned long long scale = *end == 'K' ? 1024 : *end == 'M' ? 1024 * 1024 : 1;
    if (scale != 1) ++end;
    if (errno != 0 || end == s || *end != '\0' || v * scale > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v * scale);
    return true;
}

// A made-up program: 32-bit words with the byte patterns of code and tables, runs of
// padding, and text.
class Content {
public:
    explicit Content(uint32_t seed) : state(seed * 2654435761u + 1) {}
    uint8_t next() {
        if (used == 4) refill();
        return word[used++];
    }

private:
    uint32_t state;
    uint8_t word[4] = {};
    int used = 4;
    int padding = 0;

    uint32_t rnd() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    void refill() {
        used = 0;
        uint32_t r = rnd();
        uint32_t w;
        if (padding > 0) {
            --padding;
            w = 0;
        } else if (r % 97 == 0) {
            padding = static_cast<int>(r >> 8) % 24;
            w = 0;
        } else if (r % 5 == 0) {
            w = 0xE0000000u | (rnd() & 0x0FFFFFFF); // an instruction-like word
        } else if (r % 7 == 0) {
            static const char text[] = "J1939 boot ok.  ";
            w = 0;
            for (int i = 0; i < 4; ++i)
                w |= static_cast<uint32_t>(text[(r >> 4) % 13 + i]) << (8 * i);
        } else {
            w = rnd();
        }
        for (int i = 0; i < 4; ++i)
            word[i] = static_cast<uint8_t>(w >> (8 * i));
    }
};

class Writer {
public:
    Writer(FILE* f, bool crlf) : f(f), eol(crlf ? "\r\n" : "\n") {}
    void line(const std::string& s) { fprintf(f, "%s%s", s.c_str(), eol); }
    void record(uint8_t type, uint16_t offset, const uint8_t* data, size_t n) {
        char buf[600];
        int len =
            snprintf(buf, sizeof buf, ":%02X%04X%02X", static_cast<unsigned>(n), offset, type);
        unsigned sum = static_cast<unsigned>(n) + (offset >> 8) + (offset & 0xFF) + type;
        for (size_t i = 0; i < n; ++i) {
            len += snprintf(buf + len, sizeof buf - static_cast<size_t>(len), "%02X", data[i]);
            sum += data[i];
        }
        snprintf(buf + len, sizeof buf - static_cast<size_t>(len), "%02X",
                 (0x100 - (sum & 0xFF)) & 0xFF);
        line(buf);
    }

private:
    FILE* f;
    const char* eol;
};

std::string sectorMask(const std::string& list) {
    uint32_t mask = 0;
    std::string token;
    for (size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            token += list[i];
            continue;
        }
        uint32_t v;
        if (!number(token.c_str(), &v) || v >= 32) return "";
        mask |= 1u << v;
        token.clear();
    }
    char buf[16];
    snprintf(buf, sizeof buf, "0x%X", mask);
    return buf;
}
} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        auto take = [&](std::string* s) {
            if (v == nullptr) return false;
            *s = v;
            ++i;
            return true;
        };
        auto takeNumber = [&](uint32_t* n) {
            if (v == nullptr || !number(v, n)) return false;
            ++i;
            return true;
        };
        uint32_t n;
        bool ok = true;
        if (a == "--help") {
            usage();
            return 0;
        } else if (a == "--base") {
            ok = takeNumber(&o.base);
        } else if (a == "--size") {
            ok = takeNumber(&o.size) && o.size > 0;
        } else if (a == "--record") {
            ok = takeNumber(&n) && (n == 16 || n == 32);
            o.recordBytes = static_cast<int>(n);
        } else if (a == "--segments") {
            o.segments = true;
        } else if (a == "--holes") {
            o.holes = true;
        } else if (a == "--crlf") {
            o.crlf = true;
        } else if (a == "--entry") {
            ok = o.hasEntry = takeNumber(&o.entry);
        } else if (a == "--seed") {
            ok = takeNumber(&o.seed);
        } else if (a == "--sectors") {
            ok = take(&o.sectors);
        } else if (a == "--addresses") {
            ok = take(&o.addresses);
        } else if (a == "--ids") {
            ok = take(&o.ids);
        } else if (a == "--functions") {
            ok = take(&o.functions);
        } else if (a == "--version") {
            ok = take(&o.version);
        } else if (a == "--date") {
            ok = take(&o.date);
        } else if (a == "-o" && v != nullptr) {
            o.out = argv[++i];
        } else {
            ok = false;
        }
        if (!ok) {
            fprintf(stderr, "osfgen: bad or incomplete option '%s' (--help lists them)\n",
                    a.c_str());
            return 2;
        }
    }
    uint64_t end = uint64_t{o.base} + o.size;
    if (end > (o.segments ? 0x100000u : 0x100000000ull)) {
        fprintf(stderr, "osfgen: the image does not fit the address range\n");
        return 2;
    }
    FILE* f = o.out != nullptr ? fopen(o.out, "wb") : stdout;
    if (f == nullptr) {
        fprintf(stderr, "osfgen: %s: %s\n", o.out, strerror(errno));
        return 2;
    }
    Writer w(f, o.crlf);
    w.line("[Hex File Information]");
    w.line("FirmwareVersion=" + o.version);
    w.line("ReleaseDate=" + o.date);
    std::string mask = sectorMask(o.sectors);
    if (!mask.empty()) w.line("Sectors=" + mask);
    if (!o.sectors.empty()) w.line("SectorsList=" + o.sectors);
    if (!o.addresses.empty()) w.line("J1939Address=" + o.addresses);
    if (!o.ids.empty()) w.line("ModuleID=" + o.ids);
    if (!o.functions.empty()) w.line("Function=" + o.functions);

    Content content(o.seed);
    std::vector<uint8_t> record(static_cast<size_t>(o.recordBytes));
    int64_t upper = -1;
    uint32_t holeSeed = o.seed * 40503u + 7;
    for (uint64_t at = o.base; at < end;) {
        if (o.holes && at % 4096 == 0) {
            holeSeed = holeSeed * 1103515245u + 12345u;
            if ((holeSeed >> 16) % 9 == 0 && at != o.base) {
                at += 4096;
                continue;
            }
        }
        // A record never crosses a 64 KiB boundary: the address records change there.
        uint64_t limit = (at | 0xFFFF) + 1;
        size_t n = static_cast<size_t>(o.recordBytes);
        if (at + n > limit) n = static_cast<size_t>(limit - at);
        if (at + n > end) n = static_cast<size_t>(end - at);
        if (static_cast<int64_t>(at >> 16) != upper) {
            upper = static_cast<int64_t>(at >> 16);
            uint16_t value = static_cast<uint16_t>(o.segments ? upper << 12 : upper);
            uint8_t d[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
            w.record(o.segments ? 2 : 4, 0, d, 2);
        }
        for (size_t i = 0; i < n; ++i)
            record[i] = content.next();
        w.record(0, static_cast<uint16_t>(at), record.data(), n);
        at += n;
    }
    if (o.hasEntry) {
        uint8_t d[4] = {static_cast<uint8_t>(o.entry >> 24), static_cast<uint8_t>(o.entry >> 16),
                        static_cast<uint8_t>(o.entry >> 8), static_cast<uint8_t>(o.entry)};
        w.record(5, 0, d, 4);
    }
    w.record(1, 0, nullptr, 0);
    bool ok = ferror(f) == 0;
    if (f != stdout) ok = fclose(f) == 0 && ok;
    return ok ? 0 : 1;
}
