// The "cannelloni:LOCALPORT:HOST:PORT" transport: CAN frames over UDP in the cannelloni data
// format, version 2. A datagram is a 5-byte header (version 2, op code 0 = data, sequence
// number, frame count as big-endian 16 bits), then per frame a big-endian 32-bit can_id
// (bit 31 extended, bit 30 remote, bit 29 error), a length byte and the data bytes (none for
// a remote frame). A sent frame counts as complete after the time it takes on a bus at the
// controller's bit rate, so the far side's real bus is not flooded.
#pragma once

#include <sys/socket.h>

#include "platform/host/can/can_transport.h"

constexpr unsigned CannelloniHeaderBytes = 5;
constexpr unsigned CannelloniMaxFrameBytes = 5 + 8;

// Encodes n frames into buf (cap bytes); returns the datagram's length, or 0 when it does
// not fit.
size_t cannelloniEncode(const CanWireFrame* frames, unsigned n, uint8_t seq, uint8_t* buf,
                        size_t cap);
// Decodes a datagram. Returns the number of data frames written to out (at most maxFrames;
// error frames are skipped), or -1 when the datagram is malformed: too short, another
// version or op code, a length byte above 8, an identifier out of range, or a frame count
// that does not match the length exactly. Never reads past len.
int cannelloniDecode(const uint8_t* buf, size_t len, CanWireFrame* out, unsigned maxFrames);

class CannelloniTransport : public HostCanTransport {
public:
    static constexpr size_t MaxDatagram = 2048;

    bool configure(unsigned localPort, const char* host, const char* port);
    bool open(EmulatedSJA1000* controller, char* err, size_t errLen) override;
    void close() override;
    bool service(uint64_t nowNs, uint64_t* wakeNs) override;
    const char* logName() const override { return "cannelloni"; }
    void txRequested() override { trySend(); }

    void readDatagrams();

    unsigned long datagramsIn = 0, framesIn = 0, malformed = 0, foreign = 0;
    unsigned long datagramsOut = 0, sendErrors = 0;

private:
    unsigned localPort = 0;
    char host[256] = {};
    char port[8] = {};
    int fd = -1;
    sockaddr_storage peer{};
    socklen_t peerLen = 0;
    uint8_t seq = 0;
    bool txWaiting = false;
    bool txOnWire = false;
    uint64_t txEndsNs = 0;
    CanRxBuffer rx;

    void trySend();
    bool fromPeer(const sockaddr_storage& from) const;
};
