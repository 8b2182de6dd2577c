// The flash-loader protocol: the commands and requests the display sends to one module and
// the responses it takes back, all in Proprietary A (PGN 0xEF00) to a specific address.
// Byte 0 says what a message is, byte 1 which command or which version it concerns.
#pragma once

#include <cstdint>

#include "flashloader/intel_hex.h"
#include "flashloader/sw_ver_info.h"
#include "j1939/j1939_msg.h"

constexpr uint32_t PGN_ProprietaryA = 0xEF00;
constexpr uint8_t FlashLoaderPriority = 6;
constexpr J1939msgConfiguration FlashLoaderCmdConfig = J1939cfgListed | J1939cfgTx;
constexpr J1939msgConfiguration FlashLoaderRspConfig = J1939cfgListed | J1939cfgFiltered;

// Byte 0.
constexpr uint8_t FL_ChangeModeCmd = 0x00;
constexpr uint8_t FL_Response = 0x01;
constexpr uint8_t FL_EraseCmd = 0x02;     // one byte per sector
constexpr uint8_t FL_EraseWideCmd = 0x2C; // two bytes per sector
constexpr uint8_t FL_PgmDataCmd = 0x03;
constexpr uint8_t FL_VersionRequest = 0x12;
constexpr uint8_t FL_VersionResponse = 0x13;
// Byte 1 of the change-mode command.
constexpr uint8_t FL_RunMode = 0x00;
constexpr uint8_t FL_ProgramMode = 0x01;
// Response byte 2: done; anything else is a refusal.
constexpr uint8_t FL_Done = 1;
// The erase and program-data commands are built with room for this many bytes.
constexpr uint32_t FL_MaxCmdBytes = 256;

// The empty FMI set the protocol's fields share.
extern J1939FMIset dummyFMIsetFMIset;

// A field of bits bits at 0-based byte, with no data object behind it.
inline J1939field* flashLoaderField(J1939msg* m, uint32_t byte, uint8_t bits) {
    return m->addField(0, byte + 1, 0, bits, nullptr, 1, 0, dummyFMIsetFMIset);
}

class J1939msgChangeToProgramModeCmd : public J1939msg {
public:
    J1939msgChangeToProgramModeCmd();
    void init() override;
};

class J1939msgChangeToRunModeCmd : public J1939msg {
public:
    J1939msgChangeToRunModeCmd();
    void init() override;
};

class J1939msgEraseSectorsCmd : public J1939msg {
public:
    J1939msgEraseSectorsCmd();
    void init() override;
    // Builds the command for the sectors: one byte each (02 s0 s1 ...) when all are below
    // 256, else two (2C 02 s0lo s0hi ...). False, changing nothing, while the previous
    // command is still being sent, and for a list the command cannot carry (more than 255
    // sectors, more than 127 in the two-byte form, or a sector above 65535).
    bool updateMsgData(unsigned long count, const unsigned long* sectors);

private:
    J1939field* cmdField = nullptr;
};

class J1939msgPgmDataCmd : public J1939msg {
public:
    J1939msgPgmDataCmd();
    void init() override;
    // 03, n + 5, n, the two address bytes in file order, type, the n data bytes, checksum.
    // False, changing nothing, while the previous command is still being sent, and for a
    // record of more than MaxPgmDataBytes data bytes.
    bool setDataFromHexRecord(const IntelHexRecordData& record);

private:
    J1939field* countField = nullptr;
    J1939field* lengthField = nullptr;
    J1939field* addrField = nullptr;
    J1939field* typeField = nullptr;
};

class J1939msgVersionRequest : public J1939msg {
public:
    const VersionRequestTypeCode type;
    explicit J1939msgVersionRequest(VersionRequestTypeCode type);
    void init() override;
};

// Responses: accepted by their first two bytes whatever their source, and handed on.
class J1939msgChangeModeResponse : public J1939msg {
public:
    J1939msgChangeModeResponse();
    void init() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    void onRx() override; // rxChangeModeResponse

private:
    J1939field* responseField = nullptr;
    J1939field* errorField = nullptr;
};

class J1939msgEraseSectorsResponse : public J1939msg {
public:
    J1939msgEraseSectorsResponse();
    void init() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    void onRx() override; // rxEraseResponse

private:
    J1939field* responseField = nullptr;
    J1939field* errorField = nullptr;
    J1939field* sectorField = nullptr;
};

class J1939msgPgmDataResponse : public J1939msg {
public:
    J1939msgPgmDataResponse();
    void init() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    void onRx() override; // rxPgmDataResponse

private:
    J1939field* responseField = nullptr;
    J1939field* errorField = nullptr;
    J1939field* addrField = nullptr;
};

class J1939msgVersionResponse : public J1939msg {
public:
    const VersionRequestTypeCode type;
    explicit J1939msgVersionResponse(VersionRequestTypeCode type);
    void init() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    void onRx() override; // swVerRx

private:
    J1939field* versionField = nullptr;
    J1939field* secondField = nullptr;
    J1939field* revisionField = nullptr;
};

class J1939msgSwNumResponse : public J1939msg {
public:
    const VersionRequestTypeCode type;
    explicit J1939msgSwNumResponse(VersionRequestTypeCode type);
    void init() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    void onRx() override; // swNumRx

private:
    J1939field* numberField = nullptr;
};

// Exists so that a Request for Address Claimed can be issued through it.
class J1939msgdummyAddrClaim : public J1939msg {
public:
    J1939msgdummyAddrClaim();
    void init() override {}
};

extern J1939msgChangeToProgramModeCmd ChangeToProgramModeCmdMsg;
extern J1939msgChangeToRunModeCmd ChangeToRunModeCmdMsg;
extern J1939msgEraseSectorsCmd EraseSectorsCmd;
extern J1939msgPgmDataCmd PgmDataCmd;
extern J1939msgVersionRequest GeneralVersionRequest, ApplicationVersionRequest,
    BootblockVersionRequest, ParameterVersionRequest, ApplicationSwNumRequest,
    ParameterSwNumRequest;
extern J1939msgChangeModeResponse ChangeModeResponseMsg;
extern J1939msgEraseSectorsResponse EraseSectorsResponse;
extern J1939msgPgmDataResponse PgmDataResponseMsg;
extern J1939msgVersionResponse GeneralVersionResponse, GeneralVersionResponse2,
    ApplicationVersionResponse, BootblockVersionResponse, ParameterVersionResponse;
extern J1939msgSwNumResponse ApplicationSwNumResponse, ParameterSwNumResponse;
extern J1939msgdummyAddrClaim dummyAddrClaimMsg;

// The requests a module is asked, in order: general, parameter, boot block, application
// software number, parameter software number.
constexpr int SwVerRequestCount = 5;
extern J1939msgVersionRequest* const swVerRequest[SwVerRequestCount];

// With bit 1 (value 2) of flags: registers Display with the bus, then every received and
// every transmitted message of the protocol (aimed at no module yet).
void J1939_applicationInit(int flags);
