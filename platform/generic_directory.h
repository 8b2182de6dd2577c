// Walks the entries of one directory on the USB stick or on the local file system, giving
// each entry's name and size. A directory that does not exist yet is created first.
#pragma once

#include <cstdint>
#include <dirent.h>

class genericDirectory {
public:
    // path is the caller's and must outlive the object; nothing is touched yet.
    genericDirectory(const char* path, bool onUsb) : path(path), onUsb(onUsb) {}
    genericDirectory(const genericDirectory&) = delete;
    genericDirectory& operator=(const genericDirectory&) = delete;
    ~genericDirectory() { close(); }

    // True when the directory is open for the scan.
    bool open();
    // The next entry ("." and ".." and sub-directories included, in the order the system
    // gives them): name points into the object's own buffer until the next call; size in
    // bytes, 0 when its status cannot be read. An entry whose full path would not fit the
    // buffer is skipped. False at the end, leaving the arguments alone.
    bool nextFile(char*& name, uint32_t& size);
    void close();

private:
    DIR* handle = nullptr;
    const char* path;
    bool onUsb;
    char fullPath[256] = {};
    char* namePos = fullPath;
};
