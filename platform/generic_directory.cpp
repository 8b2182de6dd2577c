// Directory scanning.
#include "platform/generic_directory.h"

#include <cstring>
#include <sys/stat.h>

#include "platform/usb_files.h"

bool genericDirectory::open() {
    close();
    const char* dir;
    if (onUsb) {
        if (!fileExists(path, true) && usb_mkdir(path) < 0) return false;
        handle = usb_opendir(path);
        dir = usb_filePath(path);
    } else {
        if (!fileExists(path, false) && local_mkdir(path) < 0) return false;
        handle = opendir(path);
        dir = path;
    }
    if (handle == nullptr) return false;
    size_t len = dir != nullptr ? strlen(dir) : sizeof fullPath;
    if (len + 1 >= sizeof fullPath) { // no room for a name after it
        close();
        return false;
    }
    memcpy(fullPath, dir, len);
    fullPath[len] = '/';
    namePos = fullPath + len + 1;
    *namePos = '\0';
    return true;
}

bool genericDirectory::nextFile(char*& name, uint32_t& size) {
    if (handle == nullptr) return false;
    size_t room = sizeof fullPath - static_cast<size_t>(namePos - fullPath);
    for (dirent* e; (e = readdir(handle)) != nullptr;) {
        size_t len = strlen(e->d_name);
        if (len >= room) continue;
        memcpy(namePos, e->d_name, len + 1);
        struct stat st;
        uint64_t bytes = stat(fullPath, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
        size = bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
        name = namePos;
        return true;
    }
    return false;
}

void genericDirectory::close() {
    if (handle == nullptr) return;
    if (onUsb)
        usb_closedir(handle);
    else
        closedir(handle);
    handle = nullptr;
}
