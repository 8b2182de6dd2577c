// Binary file helpers.
#include "platform/binary_files.h"

#include "core/crash_proof_file.h"

namespace {
constexpr int CopyBlockSize = 512;
constexpr int WordsPerChunk = 128;
constexpr const char* DefragTmpName = "XXX";
} // namespace

int fread_uword(unsigned long* dest, int count, FILE* f) {
    unsigned char bytes[2 * WordsPerChunk];
    int done = 0;
    while (f != nullptr && done < count) {
        int want = count - done < WordsPerChunk ? count - done : WordsPerChunk;
        int got = static_cast<int>(fread(bytes, 2, static_cast<size_t>(want), f));
        for (int i = 0; i < got; ++i)
            dest[done + i] = bytes[2 * i] + 256ul * bytes[2 * i + 1];
        done += got;
        if (got < want) break;
    }
    return done;
}

int fwrite_uword(const unsigned long* src, int count, FILE* f) {
    unsigned char bytes[2 * WordsPerChunk];
    int done = 0;
    while (f != nullptr && done < count) {
        int want = count - done < WordsPerChunk ? count - done : WordsPerChunk;
        for (int i = 0; i < want; ++i) {
            bytes[2 * i] = static_cast<unsigned char>(src[done + i] & 0xFF);
            bytes[2 * i + 1] = static_cast<unsigned char>((src[done + i] >> 8) & 0xFF);
        }
        int put = static_cast<int>(fwrite(bytes, 2, static_cast<size_t>(want), f));
        done += put;
        if (put < want) break;
    }
    return done;
}

bool copyBinaryFile(FILE* from, FILE* to) {
    if (from == nullptr) return false;
    bool ok = to != nullptr;
    unsigned char block[CopyBlockSize];
    for (size_t n; ok && (n = fread(block, 1, sizeof block, from)) > 0;)
        ok = fwrite(block, 1, n, to) == n;
    if (ferror(from)) ok = false;
    fclose(from);
    return ok;
}

bool defragBinaryFile(const char* path) {
    FILE* from = fopen(path, "rb");
    if (from == nullptr) return false;
    CrashProofFILE copy;
    if (crashProof_fopen(&copy, path, "wb", DefragTmpName) == nullptr) {
        fclose(from);
        return false;
    }
    printf("defragBinaryFile(%s) using %s\n", path, copy.tmpPath);
    bool copied = copyBinaryFile(from, copy.file);
    return crashProof_fclose(&copy, !copied) && copied;
}
