// Two processes share a bus over cannelloni on loopback: this one and the echoing peer
// program, each with driver and emulated controller, on the real clock.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/delayed_callback.h"
#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"
#include "tests/support/can_test_bus.h"
#include "tests/support/program_runner.h"

extern char** environ;

namespace {
constexpr uint32_t PingId = 0x18FFFF01;
constexpr uint32_t DataId = 0x18EF25FA; // echoed as 0x18EFFA25
constexpr uint32_t StopId = 0x18FFFFEE;

void heartbeat(DelayedCallbackListNode*) {}

TEST(CannelloniProcessTest, TwoProcessesExchangeFramesOnLoopback) {
    constexpr uint32_t N = 2000;
    hostClockUseVirtual(false);
    uint16_t mine = freeUdpPort(), theirs = freeUdpPort();
    std::string me = "cannelloni:" + std::to_string(mine) + ":127.0.0.1:" + std::to_string(theirs);
    std::string peer =
        "cannelloni:" + std::to_string(theirs) + ":localhost:" + std::to_string(mine);
    char err[400];
    ASSERT_TRUE(hostCanOpen(me.c_str(), nullptr, err, sizeof err)) << err;
    basicCANdriverInit(0, 0xFFFFFFFF);

    std::string outPath = makeTempDir() + "/peer.out";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char* args[] = {const_cast<char*>(CAN_PEER_BIN), const_cast<char*>(peer.c_str()), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, CAN_PEER_BIN, &fa, nullptr, args, environ), 0);
    posix_spawn_file_actions_destroy(&fa);

    DelayedCallbackListNode beat(5, heartbeat);
    scheduleDelayedCallback(&beat, 5);
    static CANpkt frames[N + 2];
    uint32_t next = 0; // frames handed to the driver: 0 .. N-1 data, then the stop frame
    bool peerUp = false, stopSent = false;
    std::vector<uint32_t> echoes;
    uint64_t lastPing = 0, end = hostClockNowNs() + 30000000000ull;
    CANpkt ping(PingId, 0, 0, 0, 0, 0, 0, 0, 0);
    while (hostClockNowNs() < end && echoes.size() < N) {
        platformBackgroundProcess();
        checkForDelayedCallbacks();
        if (!peerUp && hostClockNowNs() - lastPing > 20000000 && basicCANdriverTxReady()) {
            basicCANdriverTxMsg(&ping, 0); // until the peer answers
            lastPing = hostClockNowNs();
        }
        while (peerUp && next < N && basicCANdriverTxReady()) {
            CANpkt& f = frames[next];
            f = CANpkt(DataId, static_cast<uint8_t>(next), static_cast<uint8_t>(next >> 8), 1, 2, 3,
                       4, 5, static_cast<uint8_t>(~next));
            basicCANdriverTxMsg(&f, 0);
            ++next;
        }
        basicCANdriverServiceTxFIFO();
        while (basicCANdriverGetTxDone() != nullptr) {
        }
        while (CANframe* f = basicCANdriverGetRxMsg()) {
            if (f->id == 0x18FF01FF) { // the ping, addresses swapped
                peerUp = true;
            } else {
                EXPECT_EQ(f->id, 0x18EFFA25u);
                EXPECT_EQ(f->data[7], static_cast<uint8_t>(~(f->data[0] | f->data[1] << 8)));
                echoes.push_back(f->data[0] | f->data[1] << 8);
            }
            freeCANframe(f);
        }
    }
    ASSERT_TRUE(peerUp);
    ASSERT_EQ(echoes.size(), N);
    for (uint32_t i = 0; i < N; ++i)
        ASSERT_EQ(echoes[i], i);
    EXPECT_EQ(SJA1000_dataOverRunCount, 0);

    CANpkt stop(StopId, 0, 0, 0, 0, 0, 0, 0, 0);
    end = hostClockNowNs() + 5000000000ull;
    while (!stopSent && hostClockNowNs() < end) {
        platformBackgroundProcess();
        checkForDelayedCallbacks();
        if (basicCANdriverTxReady()) stopSent = basicCANdriverTxMsg(&stop, 0);
        basicCANdriverServiceTxFIFO();
        while (basicCANdriverGetTxDone() != nullptr) {
        }
    }
    int status = 0;
    for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
        platformBackgroundProcess(); // keeps our side answering while the peer finishes
        checkForDelayedCallbacks();
        usleep(10000);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    FILE* f = fopen(outPath.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[100] = "";
    fgets(line, sizeof line, f);
    fclose(f);
    unsigned long echoed = 0;
    int overruns = -1;
    ASSERT_EQ(sscanf(line, "echoed %lu overruns %d", &echoed, &overruns), 2) << line;
    EXPECT_GE(echoed, N + 2); // at least one ping, every data frame and the stop frame
    EXPECT_EQ(overruns, 0);
    cancelDelayedCallback(&beat);
    hostCanClose();
}
} // namespace
