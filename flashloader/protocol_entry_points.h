// Where the protocol's responses go: the command responses to the programming sequence,
// versions and software numbers to module discovery. A response counts as positive when
// its response byte is FL_Done.
#pragma once

#include "flashloader/sw_ver_info.h"

class J1939module;

void rxChangeModeResponse(unsigned char response, unsigned char errorCode);
void rxEraseResponse(unsigned char response, unsigned char errorCode, unsigned long badSector);
void rxPgmDataResponse(unsigned char response, unsigned char errorCode, unsigned long failedAddr);
// module: the sender as the bus knows it (null when it is not registered).
void swVerRx(J1939module* module, VersionRequestTypeCode type, const SwVerInfo& info);
void swNumRx(J1939module* module, VersionRequestTypeCode type, unsigned long number);

// Every call is also recorded here, newest last (the log keeps the last
// ProtocolCallLog::Capacity), for diagnostics and tests of the protocol alone.
struct ProtocolCall {
    enum Kind : unsigned char { ChangeMode, Erase, PgmData, SwVer, SwNum } kind;
    unsigned char response;  // command responses
    unsigned char errorCode; // command responses
    unsigned long value;     // bad sector, failed address or software number
    J1939module* module;     // versions and software numbers
    VersionRequestTypeCode type;
    SwVerInfo info;
};

struct ProtocolCallLog {
    static constexpr unsigned Capacity = 64;
    ProtocolCall calls[Capacity];
    unsigned long count = 0;

    void add(const ProtocolCall& c) { calls[count++ % Capacity] = c; }
    const ProtocolCall& last() const { return calls[(count + Capacity - 1) % Capacity]; }
};
extern ProtocolCallLog protocolCalls;
