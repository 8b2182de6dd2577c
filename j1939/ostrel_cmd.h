// The proprietary command protocol on Proprietary A with which a service tool identifies
// the display and sends it a file over CAN: the receiving message, the download state
// machine that writes the records into the download file, and the reply frames. An
// application that registers the message (with J1939cfgFiltered) gets all of it; 2 s after
// a complete download the program ends with termination code 3.
#pragma once

#include <cstdint>

#include "j1939/j1939_msg.h"

class J1939msgBuffer;

constexpr uint32_t PGN_ProprietaryA = 0xEF00;
constexpr uint8_t OstrelPriority = 6;

// Commands (byte 0) and what the state machine answers.
enum : uint8_t {
    OstrelDownloadControl = 0, // argument 1 start, 0 stop
    OstrelNoAction = 2,
    OstrelDownloadRecord = 3,
    OstrelIdentRequest = 0x12,
    OstrelIdentReply = 0x13,
    OstrelDiagResponse = 0x01,
};
enum CANdownloadResult : uint8_t {
    DownloadFailed = 0,
    DownloadInProgress = 1,
    DownloadComplete = 2,
    DownloadStopped = 3,
};

// Where a download is written; the host may point it elsewhere.
extern const char* CANdownloadFileName;
// The display's product number, sent for identification items 0x65 and 0x6F.
constexpr uint32_t DisplayProductNumber = 1100571;
// The program ends this long after a complete download, with this termination code.
constexpr uint32_t DownloadTerminateDelayMs = 2000;
constexpr int DownloadTerminationCode = 3;

class J1939msgOstrelCmdReceived : public J1939msg {
public:
    explicit J1939msgOstrelCmdReceived(J1939msgConfiguration config);
    void init() override {}
    bool filter(unsigned char* data, unsigned char sa) override;
    void notify(NotificationEvent event, Data* data) override;

private:
    void handle(const J1939msgBuffer* b);
    void sendIdentification(uint8_t item, uint8_t to);
};

// Command 0, 2 or 3 with its argument and the received message; the result says how the
// download stands. A record that does not fit the message fails the download.
CANdownloadResult CANdownloadFSM(uint8_t command, uint8_t argument, const J1939msgBuffer* buffer);
// Shown while a download runs; this application's hook does nothing unless one is set.
void CANdownloadMsgBox(bool show);
extern void (*CANdownloadMsgBoxHook)(bool show);
// Single frames of the protocol: a reply (0x01, command, result, five 0x00) and a two-byte
// command (b0, b1, six 0xFF).
void txOstrelDiagResp(uint8_t sa, uint8_t da, uint8_t command, uint8_t result);
void txOstrelReq(uint8_t sa, uint8_t da, uint8_t b0, uint8_t b1);
