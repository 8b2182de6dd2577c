// Software versions as text and the slot each response type fills.
#include "flashloader/sw_ver_info.h"

#include <cstdio>

namespace {
constexpr int SwVerTextSize = 12;
} // namespace

const char* swVerInAscii(const SwVerInfo& v) {
    static char text[SwVerTextSize];
    if (v == noSwVer)
        snprintf(text, sizeof text, "?");
    else
        snprintf(text, sizeof text, "%u.%u.%u", static_cast<unsigned>(v.version / 100),
                 static_cast<unsigned>(v.version % 100), static_cast<unsigned>(v.revision));
    return text;
}

int getSwVerIndex(VersionRequestTypeCode type) {
    switch (type) {
    case VerTypeGeneralAnswer:
    case VerTypeApplication:
    case VerTypeGeneral:
        return 0;
    case VerTypeParameter:
        return 1;
    case VerTypeBootblock:
        return 2;
    default:
        return SwVerSlots;
    }
}
