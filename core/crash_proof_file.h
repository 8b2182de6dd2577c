// Rewriting a file so that a power loss leaves either the old or the new file, whole: the
// new content goes to a temporary file in the same directory, which is flushed to the
// medium and then renamed over the old one; the directory is flushed after the rename.
#pragma once

#include <cstdio>

struct CrashProofFILE {
    FILE* file = nullptr;
    const char* finalPath = nullptr;
    char tmpPath[256] = {};
};

// The temporary file goes next to path, named tmpName. Null when the temporary path does
// not fit its buffer or cannot be opened.
FILE* crashProof_fopen(CrashProofFILE* f, const char* path, const char* mode, const char* tmpName);
// With discard the temporary file is removed. Otherwise it replaces the final path, unless
// writing it failed: then it is removed and the old file stays. True when the new file is
// in place.
bool crashProof_fclose(CrashProofFILE* f, bool discard);

// The operations whose order makes the rewrite safe; tests replace them to watch the order.
struct CrashProofFileOps {
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
};
extern CrashProofFileOps crashProofFileOps;
