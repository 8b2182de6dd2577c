// Rewrites through a temporary file: flush and fsync the file, rename it over the old one,
// fsync the directory so that the rename itself reaches the medium.
#include "core/crash_proof_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

CrashProofFileOps crashProofFileOps = {::fsync, ::rename};

namespace {
// Flushes the directory that holds path; a failure is reported but the file stays in
// place, whole, either way.
void syncDirectoryOf(const char* path) {
    char dir[sizeof CrashProofFILE::tmpPath];
    const char* slash = strrchr(path, '/');
    size_t n = slash == nullptr ? 0 : static_cast<size_t>(slash - path);
    if (slash == nullptr) {
        strcpy(dir, ".");
    } else if (n == 0) {
        strcpy(dir, "/");
    } else if (n < sizeof dir) {
        memcpy(dir, path, n);
        dir[n] = 0;
    } else {
        return;
    }
    int fd = open(dir, O_RDONLY | O_DIRECTORY);
    if (fd < 0 || crashProofFileOps.fsync(fd) != 0)
        printf("fsync of directory %s failed errno %d\n", dir, errno);
    if (fd >= 0) close(fd);
}
} // namespace

FILE* crashProof_fopen(CrashProofFILE* f, const char* path, const char* mode, const char* tmpName) {
    f->file = nullptr;
    f->finalPath = path;
    const char* slash = strrchr(path, '/');
    int dirLength = slash == nullptr ? 0 : static_cast<int>(slash - path + 1);
    int n = snprintf(f->tmpPath, sizeof f->tmpPath, "%.*s%s", dirLength, path, tmpName);
    if (n < 0 || static_cast<size_t>(n) >= sizeof f->tmpPath) return nullptr;
    f->file = fopen(f->tmpPath, mode);
    return f->file;
}

bool crashProof_fclose(CrashProofFILE* f, bool discard) {
    if (f->file == nullptr) return false;
    // A short write (a full disk) must not replace a good file with a truncated one.
    bool keep = !discard && fflush(f->file) == 0 && ferror(f->file) == 0 &&
                crashProofFileOps.fsync(fileno(f->file)) == 0;
    if (fclose(f->file) != 0) keep = false;
    f->file = nullptr;
    if (!keep) {
        remove(f->tmpPath);
        return false;
    }
    if (crashProofFileOps.rename(f->tmpPath, f->finalPath) != 0) {
        printf("rename %s to %s failed errno %d\n", f->tmpPath, f->finalPath, errno);
        return false;
    }
    syncDirectoryOf(f->finalPath);
    return true;
}
