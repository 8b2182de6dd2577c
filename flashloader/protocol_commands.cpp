// The display's commands and version requests.
#include "flashloader/protocol_msgs.h"

#include "j1939/can_frame.h"
#include "j1939/j1939_msg_buffer.h"

namespace {
constexpr uint32_t SingleFrameBytes = 8;
constexpr uint32_t BytesPerPacket = 7;
constexpr uint32_t MaxNarrowSectors = FL_MaxCmdBytes - 1;
constexpr uint32_t MaxWideSectors = (FL_MaxCmdBytes - 2) / 2;
constexpr unsigned long FirstWideSector = 256;
constexpr unsigned long SectorLimit = 65536;
constexpr uint8_t WideSectorBytes = 2;

// Re-cuts a command's buffer to length bytes. A single frame then carries exactly its bytes
// (its DLC is the length); the unused tail of a long message's last packet is 0xFF.
void recut(J1939msgBuffer* b, uint32_t length) {
    if (b->length != length) b->resetLength(length);
    if (length <= SingleFrameBytes) {
        b->first->dlc = static_cast<uint8_t>(length);
        return;
    }
    b->first->dlc = SingleFrameBytes; // a transport packet again after a short message
    CANpkt* last = b->first;
    while (last->next != nullptr)
        last = last->next;
    for (uint32_t i = (length - 1) % BytesPerPacket + 2; i < SingleFrameBytes; ++i)
        last->data[i] = 0xFF;
}

} // namespace

J1939msgChangeToProgramModeCmd::J1939msgChangeToProgramModeCmd()
    : J1939msg(PGN_ProprietaryA, FlashLoaderPriority, 8, FlashLoaderCmdConfig) {}

void J1939msgChangeToProgramModeCmd::init() {
    buffer->setBytes(FL_ChangeModeCmd, 0, 1);
    buffer->setBytes(FL_ProgramMode, 1, 1);
}

J1939msgChangeToRunModeCmd::J1939msgChangeToRunModeCmd()
    : J1939msg(PGN_ProprietaryA, FlashLoaderPriority, 8, FlashLoaderCmdConfig) {}

void J1939msgChangeToRunModeCmd::init() {
    buffer->setBytes(FL_ChangeModeCmd, 0, 1);
    buffer->setBytes(FL_RunMode, 1, 1);
}

J1939msgEraseSectorsCmd::J1939msgEraseSectorsCmd()
    : J1939msg(PGN_ProprietaryA, FlashLoaderPriority, FL_MaxCmdBytes, FlashLoaderCmdConfig) {}

void J1939msgEraseSectorsCmd::init() {
    buffer->setBytes(FL_EraseCmd, 0, 1);
    cmdField = flashLoaderField(this, 0, 8);
}

bool J1939msgEraseSectorsCmd::updateMsgData(unsigned long count, const unsigned long* sectors) {
    if (txBusy || buffer == nullptr) return false;
    bool wide = false;
    for (unsigned long i = 0; i < count && !wide; ++i)
        wide = sectors[i] >= FirstWideSector;
    if (count > (wide ? MaxWideSectors : MaxNarrowSectors)) return false;
    for (unsigned long i = 0; i < count; ++i)
        if (sectors[i] >= SectorLimit) return false; // would erase another sector
    uint32_t n = static_cast<uint32_t>(count);
    recut(buffer, wide ? 2 * n + 2 : n + 1);
    setField(cmdField, wide ? FL_EraseWideCmd : FL_EraseCmd);
    if (wide) {
        buffer->setBytes(WideSectorBytes, 1, 1);
        for (uint32_t i = 0; i < n; ++i)
            buffer->setBytes(static_cast<uint32_t>(sectors[i]), 2 + 2 * i, 2);
    } else {
        for (uint32_t i = 0; i < n; ++i)
            buffer->setBytes(static_cast<uint32_t>(sectors[i]), 1 + i, 1);
    }
    return true;
}

J1939msgPgmDataCmd::J1939msgPgmDataCmd()
    : J1939msg(PGN_ProprietaryA, FlashLoaderPriority, FL_MaxCmdBytes, FlashLoaderCmdConfig) {}

void J1939msgPgmDataCmd::init() {
    buffer->setBytes(FL_PgmDataCmd, 0, 1);
    countField = flashLoaderField(this, 1, 8);
    lengthField = flashLoaderField(this, 2, 8);
    addrField = flashLoaderField(this, 3, 16);
    typeField = flashLoaderField(this, 5, 8);
}

bool J1939msgPgmDataCmd::setDataFromHexRecord(const IntelHexRecordData& r) {
    if (txBusy || buffer == nullptr || r.length > MaxPgmDataBytes) return false;
    recut(buffer, r.length + 7u);
    // Byte 0 moves when the message changes between one frame and several.
    buffer->setBytes(FL_PgmDataCmd, 0, 1);
    setField(countField, r.length + 5u);
    setField(lengthField, r.length);
    setField(addrField, static_cast<uint32_t>(r.address & 0xFFFF));
    setField(typeField, r.type);
    buffer->copyInBytes(r.data, 6, r.length);
    buffer->setBytes(r.checksum, 6u + r.length, 1);
    return true;
}

J1939msgVersionRequest::J1939msgVersionRequest(VersionRequestTypeCode t)
    : J1939msg(PGN_ProprietaryA, FlashLoaderPriority, 8, FlashLoaderCmdConfig), type(t) {}

void J1939msgVersionRequest::init() {
    buffer->setBytes(FL_VersionRequest, 0, 1);
    buffer->setBytes(type, 1, 1);
}
