// The modules' responses, picked by their first two bytes and handed to the programming
// sequence or to module discovery.
#include "flashloader/protocol_entry_points.h"
#include "flashloader/protocol_msgs.h"

namespace {

unsigned char byteOf(uint32_t v) {
    return static_cast<unsigned char>(v);
}
} // namespace

J1939msgChangeModeResponse::J1939msgChangeModeResponse()
    : J1939msg(PGN_ProprietaryA, 0, 8, FlashLoaderRspConfig) {}

void J1939msgChangeModeResponse::init() {
    flashLoaderField(this, 0, 8); // code
    flashLoaderField(this, 1, 8); // cmd
    responseField = flashLoaderField(this, 2, 8);
    errorField = flashLoaderField(this, 3, 8);
}

bool J1939msgChangeModeResponse::filter(unsigned char* data, unsigned char) {
    return data[0] == FL_Response && data[1] == FL_ChangeModeCmd;
}

void J1939msgChangeModeResponse::onRx() {
    rxChangeModeResponse(byteOf(getField(responseField)), byteOf(getField(errorField)));
}

J1939msgEraseSectorsResponse::J1939msgEraseSectorsResponse()
    : J1939msg(PGN_ProprietaryA, 0, 8, FlashLoaderRspConfig) {}

void J1939msgEraseSectorsResponse::init() {
    flashLoaderField(this, 0, 8);
    flashLoaderField(this, 1, 8);
    responseField = flashLoaderField(this, 2, 8);
    errorField = flashLoaderField(this, 3, 8);
    sectorField = flashLoaderField(this, 4, 8);
}

bool J1939msgEraseSectorsResponse::filter(unsigned char* data, unsigned char) {
    return data[0] == FL_Response && (data[1] == FL_EraseCmd || data[1] == FL_EraseWideCmd);
}

void J1939msgEraseSectorsResponse::onRx() {
    rxEraseResponse(byteOf(getField(responseField)), byteOf(getField(errorField)),
                    getField(sectorField));
}

J1939msgPgmDataResponse::J1939msgPgmDataResponse()
    : J1939msg(PGN_ProprietaryA, 0, 8, FlashLoaderRspConfig) {}

void J1939msgPgmDataResponse::init() {
    flashLoaderField(this, 0, 8);
    flashLoaderField(this, 1, 8);
    responseField = flashLoaderField(this, 2, 8);
    errorField = flashLoaderField(this, 3, 8);
    addrField = flashLoaderField(this, 4, 32);
}

bool J1939msgPgmDataResponse::filter(unsigned char* data, unsigned char) {
    return data[0] == FL_Response && data[1] == FL_PgmDataCmd;
}

void J1939msgPgmDataResponse::onRx() {
    rxPgmDataResponse(byteOf(getField(responseField)), byteOf(getField(errorField)),
                      getField(addrField));
}

J1939msgVersionResponse::J1939msgVersionResponse(VersionRequestTypeCode t)
    : J1939msg(PGN_ProprietaryA, 0, 8, FlashLoaderRspConfig), type(t) {}

void J1939msgVersionResponse::init() {
    flashLoaderField(this, 0, 8);
    flashLoaderField(this, 1, 8);
    versionField = flashLoaderField(this, 2, 16);
    secondField = flashLoaderField(this, 4, 16);
    revisionField = flashLoaderField(this, 6, 8);
}

bool J1939msgVersionResponse::filter(unsigned char* data, unsigned char) {
    return data[0] == FL_VersionResponse && data[1] == type;
}

void J1939msgVersionResponse::onRx() {
    SwVerInfo info = {getField(versionField), getField(secondField),
                      byteOf(getField(revisionField))};
    swVerRx(module, type, info);
}

J1939msgSwNumResponse::J1939msgSwNumResponse(VersionRequestTypeCode t)
    : J1939msg(PGN_ProprietaryA, 0, 8, FlashLoaderRspConfig), type(t) {}

void J1939msgSwNumResponse::init() {
    flashLoaderField(this, 0, 8);
    flashLoaderField(this, 1, 8);
    numberField = flashLoaderField(this, 2, 32);
}

bool J1939msgSwNumResponse::filter(unsigned char* data, unsigned char) {
    return data[0] == FL_VersionResponse && data[1] == type;
}

void J1939msgSwNumResponse::onRx() {
    swNumRx(module, type, getField(numberField));
}
