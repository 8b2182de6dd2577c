// The proprietary command message: which commands it takes, the replies and the
// identification.
#include "j1939/ostrel_cmd.h"

#include "core/framework.h"
#include "data/settings.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/simple_queue.h"

namespace {
constexpr uint8_t ItemAnswered0 = 0xFF; // answered as item 0
constexpr uint8_t ItemProduct1 = 0x65, ItemProduct2 = 0x6F;
constexpr uint16_t DisplayFamily = 110;
constexpr uint8_t IdentLastByte = 5;
constexpr uint32_t CommandBytes = 2; // command and argument

void queue(uint32_t id, const uint8_t (&d)[8]) {
    CANpkt* p = new CANpkt(id, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
    CANbusMgr.txCANpkt(PktQueueElement::alloc(p, nullptr, 0, true));
}

uint32_t ostrelID(uint8_t sa, uint8_t da) {
    return buildIDfromPGN(OstrelPriority, PGN_ProprietaryA, sa, da);
}
} // namespace

void txOstrelDiagResp(uint8_t sa, uint8_t da, uint8_t command, uint8_t result) {
    queue(ostrelID(sa, da), {OstrelDiagResponse, command, result, 0, 0, 0, 0, 0});
}

void txOstrelReq(uint8_t sa, uint8_t da, uint8_t b0, uint8_t b1) {
    queue(ostrelID(sa, da), {b0, b1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
}

J1939msgOstrelCmdReceived::J1939msgOstrelCmdReceived(J1939msgConfiguration config)
    : J1939msg(PGN_ProprietaryA, OstrelPriority, 8, config) {}

bool J1939msgOstrelCmdReceived::filter(unsigned char* data, unsigned char) {
    switch (data[0]) {
    case OstrelDownloadControl:
    case OstrelNoAction:
    case OstrelDownloadRecord:
        return true;
    case OstrelIdentRequest:
        return data[1] == 0 || data[1] == 100 || data[1] == 101 || data[1] == 110 ||
               data[1] == 111 || data[1] == 255;
    default:
        return false;
    }
}

void J1939msgOstrelCmdReceived::notify(NotificationEvent event, Data* data) {
    if (event == MsgReceivedEvent)
        handle(buffer);
    else if (event == TerminateRequestEvent)
        FW.terminate(DownloadTerminationCode, false);
    else
        J1939msg::notify(event, data);
}

void J1939msgOstrelCmdReceived::handle(const J1939msgBuffer* b) {
    // Every command carries its argument byte; a shorter frame is not a command.
    if (b->length < CommandBytes) return;
    uint8_t command = static_cast<uint8_t>(b->getBytes(0, 1));
    uint8_t argument = static_cast<uint8_t>(b->getBytes(1, 1));
    uint8_t to = b->da == GlobalAddress ? GlobalAddress : b->sa;
    switch (command) {
    case OstrelDownloadControl:
    case OstrelNoAction:
    case OstrelDownloadRecord: {
        CANdownloadResult r = CANdownloadFSM(command, argument, b);
        if (r != DownloadInProgress) {
            CANdownloadMsgBox(false);
            if (r == DownloadComplete)
                delayedNotify(TerminateRequestEvent, DownloadTerminateDelayMs);
        }
        txOstrelDiagResp(da, to, command, r == DownloadFailed ? 0 : 1);
        return;
    }
    case OstrelIdentRequest:
        if (CANdownloadFSM(OstrelDownloadControl, 0, nullptr) == DownloadStopped)
            CANdownloadMsgBox(false);
        sendIdentification(argument, to);
        return;
    default:
        return;
    }
}

void J1939msgOstrelCmdReceived::sendIdentification(uint8_t item, uint8_t to) {
    uint8_t d[8] = {OstrelIdentReply,
                    item == ItemAnswered0 ? uint8_t(0) : item,
                    0xFF,
                    0xFF,
                    0xFF,
                    0xFF,
                    0xFF,
                    0xFF};
    if (item == ItemProduct1 || item == ItemProduct2) {
        for (int i = 0; i < 4; ++i)
            d[2 + i] = static_cast<uint8_t>(DisplayProductNumber >> (8 * i));
    } else {
        uint32_t rev = static_cast<uint32_t>(HWrevision.getValue());
        d[2] = static_cast<uint8_t>(DisplayFamily);
        d[3] = static_cast<uint8_t>(DisplayFamily >> 8);
        d[4] = static_cast<uint8_t>(rev);
        d[5] = static_cast<uint8_t>(rev >> 8);
        d[6] = IdentLastByte;
    }
    queue(ostrelID(da, to), d);
}
