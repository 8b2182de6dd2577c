// flashcheck: does a module's flash image (as a simulated module writes it) hold what a
// software file puts there? The demo ends with its answer.
//
//   flashcheck FILE IMAGE [BASE]     exit status 0 when every byte agrees, 1 when not, 2 on
//                                    bad arguments or files
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flashloader/osf.h"

namespace {
constexpr int ExitSame = 0, ExitDiffers = 1, ExitBad = 2;

bool readImage(const char* path, std::vector<unsigned char>* out) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    unsigned char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;)
        out->insert(out->end(), buf, buf + n);
    fclose(f);
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: flashcheck FILE IMAGE [BASE]\n");
        return ExitBad;
    }
    unsigned long base = argc == 4 ? strtoul(argv[3], nullptr, 0) : 0;
    std::vector<unsigned char> image;
    if (!readImage(argv[2], &image)) {
        fprintf(stderr, "flashcheck: cannot read %s\n", argv[2]);
        return ExitBad;
    }
    static Osf osf;
    osf.init(argv[1]);
    unsigned long upper = 0, bytes = 0;
    while (osf.readNextRecord()) {
        const IntelHexRecordData& r = osf.record;
        if (r.type == HexExtSegmentAddress && r.length == 2)
            upper = (static_cast<unsigned long>(r.data[0]) << 8 | r.data[1]) << 4;
        if (r.type == HexExtLinearAddress && r.length == 2)
            upper = (static_cast<unsigned long>(r.data[0]) << 8 | r.data[1]) << 16;
        if (r.type != HexData) continue;
        // The record's address as written: high byte first.
        unsigned long at = upper + ((r.address & 0xFF) << 8 | (r.address >> 8 & 0xFF));
        for (unsigned i = 0; i < r.length; ++i, ++bytes) {
            unsigned long offset = at + i - base;
            if (at + i < base || offset >= image.size() || image[offset] != r.data[i]) {
                printf("the module's flash differs from %s at 0x%lX\n", argv[1], at + i);
                return ExitDiffers;
            }
        }
    }
    if (osf.readState() != OsfReadState::EndOfFile || bytes == 0) {
        fprintf(stderr, "flashcheck: %s is not a readable software file\n", argv[1]);
        return ExitBad;
    }
    printf("the module's flash equals %s (%lu bytes)\n", argv[1], bytes);
    return ExitSame;
}
