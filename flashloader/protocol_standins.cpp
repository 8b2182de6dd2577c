// Stand-ins for the programming sequence and module discovery: they record what the
// response messages hand on.
#include "flashloader/protocol_entry_points.h"

ProtocolCallLog protocolCalls;

void rxChangeModeResponse(unsigned char response, unsigned char errorCode) {
    protocolCalls.add(
        {ProtocolCall::ChangeMode, response, errorCode, 0, nullptr, VerTypeGeneralAnswer, noSwVer});
}

void rxEraseResponse(unsigned char response, unsigned char errorCode, unsigned long badSector) {
    protocolCalls.add({ProtocolCall::Erase, response, errorCode, badSector, nullptr,
                       VerTypeGeneralAnswer, noSwVer});
}

void rxPgmDataResponse(unsigned char response, unsigned char errorCode, unsigned long failedAddr) {
    protocolCalls.add({ProtocolCall::PgmData, response, errorCode, failedAddr, nullptr,
                       VerTypeGeneralAnswer, noSwVer});
}

void swVerRx(J1939module* module, VersionRequestTypeCode type, const SwVerInfo& info) {
    protocolCalls.add({ProtocolCall::SwVer, 0, 0, 0, module, type, info});
}

void swNumRx(J1939module* module, VersionRequestTypeCode type, unsigned long number) {
    protocolCalls.add({ProtocolCall::SwNum, 0, 0, number, module, type, noSwVer});
}
