// What a simulated module is and how it misbehaves, as given on a command line
// (--module "sa=0x80 id=1234 ...") or in a description file (one module a line).
//
// A description is a list of KEY=VALUE words separated by blanks or commas; numbers are
// decimal or 0x-hex, sizes may end in K or M:
//   sa=ADDR              source address (required)
//   label=TEXT           a name for the event lines
//   name=HEX16           the whole NAME, 16 hex digits as the display prints it, or its fields:
//   id=N function=N manufacturer=N industry=N vsys=N vsys-instance=N function-instance=N
//   ecu=N aac=0|1        (manufacturer defaults to the maker's code)
//   app=MAJ.MIN.REV[/SECOND] param=... boot=...   versions, or "none" for no answer
//   general=255|0|none   type code of the answer to the general version request
//   appsw=N paramsw=N    software numbers, or "none"
//   flash=SIZE sector=SIZE      uniform sectors, or
//   sectors=N*SIZE+N*SIZE...    a layout (e.g. 8*16K+3*128K)
//   base=ADDR erased=BYTE fill=BYTE   flash address, erased value, old content
//   erase-ms=MS          erase time per sector
//   image=FILE           flash image written at each change to run mode and at the end
//   window=N             packets asked for per CTS
// Diagnostics and a service tool (lists of DTCs are SPN.FMI joined by '+', or "none"):
//   dm1=LIST             sends DM1 every second with these DTCs (several go by BAM)
//   dm1-lamps=N dm1-flash=N   its lamp and flash bytes (default 0 and 0xFF)
//   dm1-then=MS:LIST     from MS after start on, these DTCs instead
//   dm1-stop=MS          no DM1 from MS after start on
//   send-file=PATH send-to=DA [send-at=MS] [send-record=N]
//                        identifies the display at DA and sends it the file with the
//                        proprietary command at MS (default 1000): its first 16 bytes in
//                        2-byte records (single frames), the rest in N-byte records (3..255,
//                        default 64, by the transport protocol)
// Faults (N counts that kind of command from 1; without @N every one):
//   silent               the flash loader answers nothing (claims still answered)
//   refuse-KIND=CODE[@N] answer negatively with CODE (mode, erase, data, run)
//   ignore-KIND[@N]      no answer (claim, version, mode, erase, data, run)
//   delay-KIND=MS[@N]    answer MS later
//   vanish-KIND[@N]      leave the bus on that command; back=MS returns MS later
//   busoff-KIND[@N]      call the bus-off hook (the display's controller, in-process)
//   hold-cts=COUNT[@N] abort-dt=K[@N] drop-dt=SEQ[@N] repeat-dt=SEQ[@N]
//                        on the N-th transport transfer to the module: CTS holds first,
//                        Abort after K packets, lose or double the packet SEQ
#pragma once

#include <cstddef>
#include <cstdint>

// What comes in from the display, for fault rules and counting.
enum class ModCmd : uint8_t { Claim, Version, Mode, Erase, Data, Run, Transfer, Count };
const char* modCmdName(ModCmd c);

enum class FaultAction : uint8_t {
    Refuse,
    Ignore,
    Delay,
    Vanish,
    BusOff,
    HoldCts,
    AbortDt,
    DropDt,
    RepeatDt
};

struct FaultRule {
    FaultAction action;
    ModCmd on;
    uint32_t nth;   // 0: every one
    uint32_t value; // error code, ms, count or sequence number
};

struct SimVersion {
    bool present = true;
    uint16_t version = 100; // major x 100 + minor
    uint16_t second = 0;
    uint8_t revision = 0;
};

struct SimDtc {
    uint32_t spn;
    uint8_t fmi;
};

struct ModuleDescription {
    static constexpr int MaxRules = 24;
    static constexpr int MaxDtcs = 8;
    static constexpr int MaxSectorRuns = 32;

    char label[24] = {};
    int address = -1;
    uint8_t name[8] = {};
    SimVersion app, param, boot;
    int generalAnswerType = 255; // -1: no answer
    bool hasAppSwNum = true, hasParamSwNum = true;
    uint32_t appSwNum = 0, paramSwNum = 0;
    uint32_t flashBase = 0;
    struct SectorRun {
        uint32_t count, size;
    } sectorRuns[MaxSectorRuns] = {{16, 64 * 1024}};
    int sectorRunCount = 1;
    uint8_t erasedValue = 0xFF, fill = 0x00;
    uint32_t eraseMsPerSector = 50;
    char imagePath[256] = {};
    int tpWindow = 16;
    bool silent = false;
    uint32_t backAfterMs = 0; // 0: a vanished module stays away
    FaultRule rules[MaxRules] = {};
    int ruleCount = 0;
    bool dm1 = false;
    SimDtc dtcs[MaxDtcs] = {};
    int dtcCount = 0;
    uint32_t dm1ThenMs = 0; // 0: no change
    SimDtc laterDtcs[MaxDtcs] = {};
    int laterDtcCount = 0;
    uint32_t dm1StopMs = 0; // 0: never
    uint8_t dm1Lamps = 0, dm1Flash = 0xFF;
    char sendFile[256] = {};
    int sendTo = -1;
    uint32_t sendAtMs = 1000;
    uint32_t sendRecord = 64;

    ModuleDescription();
    // NAME field by field (the identity in the low 21 bits of the first three bytes ...).
    void setName(uint32_t identity, uint8_t function, uint8_t industryGroup, uint8_t vehicleSystem,
                 uint16_t manufacturer, uint8_t functionInstance, uint8_t ecuInstance,
                 uint8_t vehicleSystemInstance, bool arbitraryAddressCapable);
    uint32_t identity() const;
    uint8_t function() const { return name[5]; }
    bool addRule(FaultAction action, ModCmd on, uint32_t value, uint32_t nth = 0);
};

// The maker's J1939 manufacturer code, the default in a simulated module's NAME.
constexpr uint16_t SimMakerManufacturerCode = 0x7F0;

// One module from its description; false with the reason in err.
bool parseModuleDescription(const char* text, ModuleDescription* out, char* err, size_t errLen);
// Modules from a file, one a line, '#' starts a comment. Returns how many were read (at most
// max), or -1 with "FILE:LINE: reason" in err.
int parseModuleFile(const char* path, ModuleDescription* out, int max, char* err, size_t errLen);
