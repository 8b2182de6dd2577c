// The protocol's message objects and their registration with the bus.
#include "flashloader/display_module.h"
#include "flashloader/protocol_msgs.h"
#include "j1939/j1939_id.h"

J1939FMIset dummyFMIsetFMIset;
J1939msgChangeToProgramModeCmd ChangeToProgramModeCmdMsg;
J1939msgChangeToRunModeCmd ChangeToRunModeCmdMsg;
J1939msgEraseSectorsCmd EraseSectorsCmd;
J1939msgPgmDataCmd PgmDataCmd;
J1939msgVersionRequest GeneralVersionRequest(VerTypeGeneral);
J1939msgVersionRequest ApplicationVersionRequest(VerTypeApplication);
J1939msgVersionRequest BootblockVersionRequest(VerTypeBootblock);
J1939msgVersionRequest ParameterVersionRequest(VerTypeParameter);
J1939msgVersionRequest ApplicationSwNumRequest(VerTypeApplicationSwNum);
J1939msgVersionRequest ParameterSwNumRequest(VerTypeParameterSwNum);
J1939msgChangeModeResponse ChangeModeResponseMsg;
J1939msgEraseSectorsResponse EraseSectorsResponse;
J1939msgPgmDataResponse PgmDataResponseMsg;
J1939msgVersionResponse GeneralVersionResponse(VerTypeGeneralAnswer);
J1939msgVersionResponse GeneralVersionResponse2(VerTypeGeneral);
J1939msgVersionResponse ApplicationVersionResponse(VerTypeApplication);
J1939msgVersionResponse BootblockVersionResponse(VerTypeBootblock);
J1939msgVersionResponse ParameterVersionResponse(VerTypeParameter);
J1939msgSwNumResponse ApplicationSwNumResponse(VerTypeApplicationSwNum);
J1939msgSwNumResponse ParameterSwNumResponse(VerTypeParameterSwNum);
J1939msgdummyAddrClaim dummyAddrClaimMsg;

J1939msgVersionRequest* const swVerRequest[SwVerRequestCount] = {
    &GeneralVersionRequest, &ParameterVersionRequest, &BootblockVersionRequest,
    &ApplicationSwNumRequest, &ParameterSwNumRequest};

J1939msgdummyAddrClaim::J1939msgdummyAddrClaim()
    : J1939msg(PGN_AddressClaimed, 0, 8, J1939cfgListed) {}

void J1939_applicationInit(int flags) {
    if (!(flags & 2)) return;
    CANbusMgr.registerModule(&Display);
    J1939msg* const received[] = {
        &ParameterSwNumResponse,   &ApplicationSwNumResponse,   &ParameterVersionResponse,
        &BootblockVersionResponse, &ApplicationVersionResponse, &GeneralVersionResponse2,
        &GeneralVersionResponse,   &PgmDataResponseMsg,         &EraseSectorsResponse,
        &ChangeModeResponseMsg,    &dummyAddrClaimMsg};
    for (J1939msg* m : received)
        CANbusMgr.registerMsg(m, &Module_na, &AllModules);
    J1939msg* const sent[] = {&ParameterSwNumRequest,
                              &ApplicationSwNumRequest,
                              &ParameterVersionRequest,
                              &BootblockVersionRequest,
                              &ApplicationVersionRequest,
                              &GeneralVersionRequest,
                              &PgmDataCmd,
                              &EraseSectorsCmd,
                              &ChangeToRunModeCmdMsg,
                              &ChangeToProgramModeCmdMsg};
    for (J1939msg* m : sent)
        CANbusMgr.registerMsg(m, &Display, &AllModules);
}
