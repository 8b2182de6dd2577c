// cannelloni datagrams: the codec and the UDP link.
#include "platform/host/can/cannelloni_transport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"

namespace {
constexpr uint8_t Version = 2;
constexpr uint8_t OpData = 0;
constexpr uint32_t FlagExtended = 0x80000000u;
constexpr uint32_t FlagRemote = 0x40000000u;
constexpr uint32_t FlagError = 0x20000000u;
constexpr uint32_t ExtendedMask = 0x1FFFFFFFu;
constexpr uint32_t StandardMask = 0x7FFu;
constexpr unsigned DatagramsPerCall = 64;
constexpr uint64_t RetryNs = 1000000;

void onReadable(void* context) {
    static_cast<CannelloniTransport*>(context)->readDatagrams();
}

// The address as IPv4 when it is an IPv4-mapped IPv6 address, so both spellings compare.
void normalise(const sockaddr_storage& a, sockaddr_storage* out) {
    *out = a;
    if (a.ss_family != AF_INET6) return;
    const sockaddr_in6* s6 = reinterpret_cast<const sockaddr_in6*>(&a);
    if (!IN6_IS_ADDR_V4MAPPED(&s6->sin6_addr)) return;
    sockaddr_in s4{};
    s4.sin_family = AF_INET;
    s4.sin_port = s6->sin6_port;
    memcpy(&s4.sin_addr, &s6->sin6_addr.s6_addr[12], 4);
    memset(out, 0, sizeof *out);
    memcpy(out, &s4, sizeof s4);
}
} // namespace

size_t cannelloniEncode(const CanWireFrame* frames, unsigned n, uint8_t seq, uint8_t* buf,
                        size_t cap) {
    if (n > 0xFFFF || cap < CannelloniHeaderBytes) return 0;
    size_t at = 0;
    buf[at++] = Version;
    buf[at++] = OpData;
    buf[at++] = seq;
    buf[at++] = static_cast<uint8_t>(n >> 8);
    buf[at++] = static_cast<uint8_t>(n);
    for (unsigned i = 0; i < n; ++i) {
        const CanWireFrame& f = frames[i];
        unsigned data = f.dataBytes();
        if (cap - at < 5 + data) return 0;
        uint32_t id = f.extended ? (f.id & ExtendedMask) | FlagExtended : f.id & StandardMask;
        if (f.rtr) id |= FlagRemote;
        buf[at++] = static_cast<uint8_t>(id >> 24);
        buf[at++] = static_cast<uint8_t>(id >> 16);
        buf[at++] = static_cast<uint8_t>(id >> 8);
        buf[at++] = static_cast<uint8_t>(id);
        buf[at++] = f.dlc > 8 ? 8 : f.dlc;
        memcpy(buf + at, f.data, data);
        at += data;
    }
    return at;
}

int cannelloniDecode(const uint8_t* buf, size_t len, CanWireFrame* out, unsigned maxFrames) {
    if (len < CannelloniHeaderBytes) return -1;
    if (buf[0] != Version || buf[1] != OpData) return -1;
    unsigned count = static_cast<unsigned>(buf[3]) << 8 | buf[4];
    size_t at = CannelloniHeaderBytes;
    unsigned kept = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (len - at < 5) return -1;
        uint32_t id = static_cast<uint32_t>(buf[at]) << 24 |
                      static_cast<uint32_t>(buf[at + 1]) << 16 |
                      static_cast<uint32_t>(buf[at + 2]) << 8 | buf[at + 3];
        uint8_t dlc = buf[at + 4];
        at += 5;
        if (dlc > 8) return -1;
        bool extended = (id & FlagExtended) != 0;
        bool remote = (id & FlagRemote) != 0;
        bool error = (id & FlagError) != 0; // its identifier bits are error classes
        if (!error && !extended && (id & ExtendedMask & ~StandardMask) != 0) return -1;
        unsigned data = remote ? 0 : dlc;
        if (len - at < data) return -1;
        if (!error && kept < maxFrames) {
            CanWireFrame& f = out[kept++];
            f.extended = extended;
            f.rtr = remote;
            f.id = id & (extended ? ExtendedMask : StandardMask);
            f.dlc = dlc;
            memset(f.data, 0, sizeof f.data);
            memcpy(f.data, buf + at, data);
        }
        at += data;
    }
    if (at != len) return -1;
    return static_cast<int>(kept);
}

bool CannelloniTransport::configure(unsigned local, const char* h, const char* p) {
    if (strlen(h) >= sizeof host || strlen(p) >= sizeof port) return false;
    localPort = local;
    snprintf(host, sizeof host, "%s", h);
    snprintf(port, sizeof port, "%s", p);
    return true;
}

bool CannelloniTransport::open(EmulatedSJA1000* controller, char* err, size_t errLen) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* res = nullptr;
    int rc = getaddrinfo(host, port, &hints, &res);
    if (rc != 0) {
        snprintf(err, errLen, "%s: %s", host, gai_strerror(rc));
        return false;
    }
    // IPv4 first, as the gateways use it; both sides of a loopback pair then agree.
    const addrinfo* pick = res;
    for (const addrinfo* a = res; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            pick = a;
            break;
        }
    }
    memset(&peer, 0, sizeof peer);
    memcpy(&peer, pick->ai_addr, pick->ai_addrlen);
    peerLen = pick->ai_addrlen;
    int family = pick->ai_family;
    freeaddrinfo(res);

    int s = socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) {
        snprintf(err, errLen, "%s", strerror(errno));
        return false;
    }
    sockaddr_storage local{};
    socklen_t localLen;
    if (family == AF_INET6) {
        int off = 0;
        setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        sockaddr_in6* a = reinterpret_cast<sockaddr_in6*>(&local);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_any;
        a->sin6_port = htons(static_cast<uint16_t>(localPort));
        localLen = sizeof *a;
    } else {
        sockaddr_in* a = reinterpret_cast<sockaddr_in*>(&local);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_ANY);
        a->sin_port = htons(static_cast<uint16_t>(localPort));
        localLen = sizeof *a;
    }
    if (bind(s, reinterpret_cast<sockaddr*>(&local), localLen) < 0) {
        snprintf(err, errLen, "port %u: %s", localPort, strerror(errno));
        ::close(s);
        return false;
    }
    if (!hostWatchFd(s, onReadable, this)) {
        snprintf(err, errLen, "too many descriptors to watch");
        ::close(s);
        return false;
    }
    fd = s;
    sja = controller;
    sja->setRecoveryByLink(false);
    txWaiting = txOnWire = false;
    rx.clear();
    return true;
}

void CannelloniTransport::close() {
    if (fd < 0) return;
    hostUnwatchFd(fd);
    ::close(fd);
    fd = -1;
}

bool CannelloniTransport::fromPeer(const sockaddr_storage& from) const {
    sockaddr_storage a, b;
    normalise(from, &a);
    normalise(peer, &b);
    if (a.ss_family != b.ss_family) return false;
    if (a.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in*>(&a)->sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in*>(&b)->sin_addr.s_addr;
    if (a.ss_family == AF_INET6)
        return memcmp(&reinterpret_cast<const sockaddr_in6*>(&a)->sin6_addr,
                      &reinterpret_cast<const sockaddr_in6*>(&b)->sin6_addr, sizeof(in6_addr)) == 0;
    return false;
}

void CannelloniTransport::trySend() {
    CanWireFrame f;
    if (fd < 0 || !sja->pendingTx(&f)) {
        txWaiting = false;
        return;
    }
    uint8_t buf[CannelloniHeaderBytes + CannelloniMaxFrameBytes];
    size_t n = cannelloniEncode(&f, 1, seq, buf, sizeof buf);
    ssize_t sent = sendto(fd, buf, n, 0, reinterpret_cast<const sockaddr*>(&peer), peerLen);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
        txWaiting = true;
        return;
    }
    // Anything else (nobody listening, network down) loses the frame as a bus without
    // listeners would; the controller goes on.
    if (sent < 0)
        ++sendErrors;
    else
        ++datagramsOut;
    ++seq;
    txWaiting = false;
    sja->txStarted();
    txOnWire = true;
    txEndsNs = hostClockNowNs() + canFrameBits(f) * sja->bitTimeNs();
}

void CannelloniTransport::readDatagrams() {
    static uint8_t buf[MaxDatagram];
    static CanWireFrame frames[MaxDatagram / 5];
    for (unsigned i = 0; i < DatagramsPerCall; ++i) {
        sockaddr_storage from{};
        socklen_t fromLen = sizeof from;
        ssize_t n =
            recvfrom(fd, buf, sizeof buf, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) break;
        if (!fromPeer(from)) {
            ++foreign;
            continue;
        }
        ++datagramsIn;
        // A datagram longer than the buffer was cut short: its count cannot match.
        int k = static_cast<size_t>(n) > sizeof buf
                    ? -1
                    : cannelloniDecode(buf, static_cast<size_t>(n), frames, MaxDatagram / 5);
        if (k < 0) {
            ++malformed;
            continue;
        }
        framesIn += static_cast<unsigned>(k);
        for (int j = 0; j < k; ++j)
            rx.push(frames[j], sja);
    }
    rx.feed(sja, hostClockNowNs());
}

bool CannelloniTransport::service(uint64_t nowNs, uint64_t* wakeNs) {
    bool moved = rx.feed(sja, nowNs) > 0;
    if (txOnWire) {
        if (nowNs >= txEndsNs) {
            txOnWire = false;
            sja->txCompleted(txEndsNs);
            moved = true;
        } else if (txEndsNs < *wakeNs) {
            *wakeNs = txEndsNs;
        }
    }
    if (txWaiting) {
        trySend();
        if (txWaiting && nowNs + RetryNs < *wakeNs) *wakeNs = nowNs + RetryNs;
    }
    return moved;
}
