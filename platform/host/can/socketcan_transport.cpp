// Raw CAN socket transport and the conversions between its frames and the controller's.
#include "platform/host/can/socketcan_transport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/can/error.h>
#include <linux/can/raw.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"

namespace {
constexpr unsigned WarningCount = 96;
constexpr unsigned PassiveCount = 128;
constexpr unsigned ReadsPerCall = 64;
constexpr uint64_t RetryNs = 1000000; // a full transmit queue is tried again after 1 ms

void onReadable(void* context) {
    static_cast<SocketCanTransport*>(context)->readFrames();
}
} // namespace

struct can_frame toSocketCan(const CanWireFrame& f) {
    struct can_frame cf;
    memset(&cf, 0, sizeof cf);
    cf.can_id = f.extended ? (f.id & CAN_EFF_MASK) | CAN_EFF_FLAG : f.id & CAN_SFF_MASK;
    if (f.rtr) cf.can_id |= CAN_RTR_FLAG;
    cf.can_dlc = f.dlc > 8 ? 8 : f.dlc;
    memcpy(cf.data, f.data, f.dataBytes());
    return cf;
}

bool fromSocketCan(const struct can_frame& cf, CanWireFrame* out) {
    if (cf.can_id & CAN_ERR_FLAG) return false;
    if (cf.can_dlc > 8) return false;
    out->extended = (cf.can_id & CAN_EFF_FLAG) != 0;
    out->rtr = (cf.can_id & CAN_RTR_FLAG) != 0;
    out->id = cf.can_id & (out->extended ? CAN_EFF_MASK : CAN_SFF_MASK);
    out->dlc = cf.can_dlc;
    memset(out->data, 0, sizeof out->data);
    memcpy(out->data, cf.data, out->dataBytes());
    return true;
}

bool applySocketCanError(const struct can_frame& cf, EmulatedSJA1000* sja) {
    if (!(cf.can_id & CAN_ERR_FLAG)) return false;
    canid_t e = cf.can_id & CAN_ERR_MASK;
    if (e & CAN_ERR_BUSOFF) {
        sja->enterBusOff();
        return true;
    }
    if (e & CAN_ERR_RESTARTED) sja->busOffRecovered();
    if (sja->busOff()) return true;
    unsigned tx = sja->txErrorCount(), rx = sja->rxErrorCount();
    unsigned newTx = tx, newRx = rx;
    if (e & CAN_ERR_CRTL) {
        unsigned char c = cf.can_dlc > 1 ? cf.data[1] : 0;
        if (c & CAN_ERR_CRTL_RX_OVERFLOW) sja->frameLost();
        if (c & CAN_ERR_CRTL_ACTIVE) newTx = newRx = 0;
        if ((c & CAN_ERR_CRTL_TX_WARNING) && newTx < WarningCount) newTx = WarningCount;
        if ((c & CAN_ERR_CRTL_RX_WARNING) && newRx < WarningCount) newRx = WarningCount;
        if ((c & CAN_ERR_CRTL_TX_PASSIVE) && newTx < PassiveCount) newTx = PassiveCount;
        if ((c & CAN_ERR_CRTL_RX_PASSIVE) && newRx < PassiveCount) newRx = PassiveCount;
    }
    // Drivers that know the counters send them; they are better than the levels above.
    if ((e & CAN_ERR_CNT) && cf.can_dlc >= 8) {
        newTx = cf.data[6];
        newRx = cf.data[7];
    }
    if (newTx != tx || newRx != rx) sja->setErrorCounters(newTx, newRx);
    return true;
}

void SocketCanTransport::setInterface(const char* iface) {
    snprintf(name, sizeof name, "%s", iface);
}

bool SocketCanTransport::open(EmulatedSJA1000* controller, char* err, size_t errLen) {
    if (strlen(name) == 0) {
        snprintf(err, errLen, "no interface named");
        return false;
    }
    int s = socket(PF_CAN, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, CAN_RAW);
    if (s < 0) {
        snprintf(err, errLen, "%s", strerror(errno));
        return false;
    }
    struct ifreq ifr;
    memset(&ifr, 0, sizeof ifr);
    snprintf(ifr.ifr_name, sizeof ifr.ifr_name, "%s", name);
    if (ioctl(s, SIOCGIFINDEX, &ifr) < 0) {
        snprintf(err, errLen, "%s", strerror(errno));
        ::close(s);
        return false;
    }
    can_err_mask_t mask = CAN_ERR_BUSOFF | CAN_ERR_CRTL | CAN_ERR_RESTARTED | CAN_ERR_CNT;
    setsockopt(s, SOL_CAN_RAW, CAN_RAW_ERR_FILTER, &mask, sizeof mask);
    struct sockaddr_can addr;
    memset(&addr, 0, sizeof addr);
    addr.can_family = AF_CAN;
    addr.can_ifindex = ifr.ifr_ifindex;
    if (bind(s, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0) {
        snprintf(err, errLen, "%s", strerror(errno));
        ::close(s);
        return false;
    }
    sja = controller;
    if (!start(s)) {
        snprintf(err, errLen, "too many descriptors to watch");
        ::close(s);
        return false;
    }
    return true;
}

bool SocketCanTransport::openOnFd(int socketFd, EmulatedSJA1000* controller) {
    int flags = fcntl(socketFd, F_GETFL);
    if (flags < 0 || fcntl(socketFd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
    sja = controller;
    return start(socketFd);
}

bool SocketCanTransport::start(int socketFd) {
    if (!hostWatchFd(socketFd, onReadable, this)) return false;
    fd = socketFd;
    txWaiting = false;
    rx.clear();
    // The adapter recovers from bus-off on its own terms; its restart ends ours.
    sja->setRecoveryByLink(true);
    return true;
}

void SocketCanTransport::close() {
    if (fd < 0) return;
    hostUnwatchFd(fd);
    ::close(fd);
    fd = -1;
}

void SocketCanTransport::trySend() {
    CanWireFrame f;
    if (fd < 0 || !sja->pendingTx(&f)) {
        txWaiting = false;
        return;
    }
    struct can_frame cf = toSocketCan(f);
    ssize_t n = write(fd, &cf, sizeof cf);
    if (n == static_cast<ssize_t>(sizeof cf)) {
        txWaiting = false;
        ++framesOut;
        sja->txStarted();
        sja->txCompleted(hostClockNowNs());
        platformNoteActivity();
        return;
    }
    // The interface's queue is full (or the link is down): keep the frame and try again.
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS) ++writeErrors;
    txWaiting = true;
}

void SocketCanTransport::readFrames() {
    for (unsigned i = 0; i < ReadsPerCall; ++i) {
        struct can_frame cf;
        ssize_t n = read(fd, &cf, sizeof cf);
        if (n < 0) break;
        if (n == 0) {
            // Only a stand-in descriptor can end; stop watching it rather than spin on it.
            printf("socketcan %s: end of input\n", name);
            hostUnwatchFd(fd);
            break;
        }
        if (n != static_cast<ssize_t>(sizeof cf)) continue; // a CAN FD frame or a stray write
        if (applySocketCanError(cf, sja)) {
            ++errorFrames;
            continue;
        }
        CanWireFrame f;
        if (!fromSocketCan(cf, &f)) continue;
        ++framesIn;
        rx.push(f, sja);
    }
    rx.feed(sja, hostClockNowNs());
}

bool SocketCanTransport::service(uint64_t nowNs, uint64_t* wakeNs) {
    bool moved = rx.feed(sja, nowNs) > 0;
    if (txWaiting) {
        trySend();
        if (txWaiting && nowNs + RetryNs < *wakeNs) *wakeNs = nowNs + RetryNs;
    }
    return moved;
}
