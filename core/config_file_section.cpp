// Reading and writing a section of typed parameters.
#include "core/config_file_section.h"

#include <cstring>

#include "core/config_file.h"

namespace {
// The parameter whose name is the n bytes at text, exactly; null when none.
ConfigFileParm* findParm(ConfigFileParm** parms, const char* text, size_t n) {
    for (ConfigFileParm** p = parms; *p != nullptr; ++p)
        if (strlen((*p)->name) == n && memcmp((*p)->name, text, n) == 0) return *p;
    return nullptr;
}
} // namespace

char* ConfigFileParmSection::readSection(ConfigFile* cfg) {
    char* line;
    while ((line = cfg->readLine()) != nullptr && line[0] != '[') {
        if (line[0] != '<') continue;
        const char* nameEnd = strchr(line + 1, '>');
        if (nameEnd == nullptr) continue;
        ConfigFileParm* parm = findParm(parms, line + 1, static_cast<size_t>(nameEnd - line - 1));
        if (parm == nullptr) continue;
        // Without an "=" the value is empty, which no parameter accepts.
        char* equals = strchr(const_cast<char*>(nameEnd), '=');
        parm->readValue(equals != nullptr ? equals + 1 : line + strlen(line));
    }
    return line;
}

void ConfigFileParmSection::writeSection(ConfigFile* cfg) {
    for (ConfigFileParm** p = parms; *p != nullptr; ++p) {
        fprintf(cfg->file, "<%s> = ", (*p)->name);
        (*p)->writeValue(cfg->file);
        fputc('\n', cfg->file);
    }
}

void ConfigFileParmSection::initSection(ConfigFile*) {
    for (ConfigFileParm** p = parms; *p != nullptr; ++p)
        (*p)->setParmToDefaultValue();
}
