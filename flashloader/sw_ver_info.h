// A software version as a module reports it, and the type codes that say which version a
// request or response concerns.
#pragma once

struct SwVerInfo {
    unsigned long version; // major x 100 + minor
    unsigned long second;  // kept and compared, never shown
    unsigned char revision;

    bool operator==(const SwVerInfo& o) const {
        return version == o.version && second == o.second && revision == o.revision;
    }
    bool operator!=(const SwVerInfo& o) const { return !(*this == o); }
};

// No version known.
constexpr SwVerInfo noSwVer = {65535, 65535, 255};

// Byte 1 of version requests and responses.
enum VersionRequestTypeCode : unsigned char {
    VerTypeGeneralAnswer = 0, // answer to the general request carrying type 0
    VerTypeBootblock = 100,
    VerTypeApplication = 110,
    VerTypeApplicationSwNum = 111,
    VerTypeParameter = 130,
    VerTypeParameterSwNum = 131,
    VerTypeGeneral = 255, // general request, answered as the application version
};

// "?" for noSwVer, else "major.minor.revision"; one buffer shared by every call.
const char* swVerInAscii(const SwVerInfo& v);

// The version slot a response type fills: 0 application, 1 parameter, 2 boot block, 3 none.
constexpr int SwVerSlots = 3;
int getSwVerIndex(VersionRequestTypeCode type);
