// The board's services: backlight derating, temperature-compensated contrast, and the
// register sequences of the board in the host's I/O window.
#include <gtest/gtest.h>

#include "core/keypad.h"
#include "platform/arm9.h"
#include "platform/display.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_io.h"
#include "platform/io_regs.h"
#include "platform/io_services.h"
#include "platform/platform.h"
#include "tests/platform/coproc_test_support.h"

namespace {
class BoardTest : public CoprocessorTest {
protected:
    // The co-processor measures t (tenths of a degree) and the link has read it.
    void measure(long t) {
        coprocessor.readings.temperature = t;
        queueMSPread(MSP_BatteryEntry);
        sent();
    }
};

TEST_F(BoardTest, BacklightIsDeratedWhenHot) {
    struct Case {
        long temperature;
        bool derate;
        uint32_t requested;
        uint32_t level;
    } cases[] = {
        {250, true, 4095, 4095}, {800, true, 4095, 4095},  {801, true, 4095, 3554},
        {850, true, 4095, 2048}, {850, true, 1000, 1000},  {900, true, 4095, 512},
        {901, true, 4095, 0},    {950, false, 4095, 4095},
    };
    for (const Case& c : cases) {
        measure(c.temperature);
        backlightEnable(true, c.derate);
        setBacklight(c.requested);
        sent();
        EXPECT_EQ(coprocessor.backlightLevel(), c.level) << c.temperature << " " << c.requested;
        EXPECT_TRUE(coprocessor.backlightOn());
    }
    // Cooled down, the level asked for last comes back.
    measure(850);
    backlightEnable(true, true);
    setBacklight(4095);
    sent();
    EXPECT_EQ(coprocessor.backlightLevel(), 2048u);
    measure(250);
    backlightEnable(false, true);
    sent();
    EXPECT_FALSE(coprocessor.backlightOn());
    EXPECT_EQ(coprocessor.backlightLevel(), 4095u);
    setBacklight(1000);
    setBacklight(65535); // keeps the level asked for
    sent();
    EXPECT_EQ(coprocessor.backlightLevel(), 1000u);
    setBacklight(9999); // beyond the field: full level, not its low bits
    sent();
    EXPECT_EQ(getBacklight(), 4095u);
}

TEST_F(BoardTest, ContrastFollowsTheTemperatureTable) {
    struct Case {
        long temperature;
        long offset;
        long contrast;
    } cases[] = {
        {200, 0, 2509},
        {-13, 0, 2990},
        {-500, 0, 2990},
        {887, 0, 901},
        {1200, 0, 901},
        {450, 0, 2375},
        {200, 100, 2609},
        {200, 2000, 4095},
        {200, -3000, 0},
        // Points of the table, with one interpolated between two (200) and a flat part.
        {88, 0, 2662},
        {270, 0, 2416},
        {822, 0, 1269},
    };
    for (const Case& c : cases)
        EXPECT_EQ(_getTempAdjContrast(c.temperature, c.offset), c.contrast) << c.temperature;

    measure(200);
    tempAdjContrast(-9);
    EXPECT_EQ(sent(), std::vector<uint32_t>{0x70000000u | (2509 - 9)});
    tempAdjContrast(-9); // unchanged: nothing sent
    EXPECT_TRUE(sent().empty());

    EXPECT_EQ(_setContrastCalibrationOffset(200, 2600), 2509);
    EXPECT_EQ(_getTempAdjContrast(200, 0), 2600);
    EXPECT_EQ(_getTempAdjContrast(270, 10), 2416 + 91 + 10);
}

TEST_F(BoardTest, AHigherSupplyScalesTheTable) {
    coprocessor.readings.supply_mV = 3300;
    queueMSPread(MSP_IgnitionEntry);
    sent();
    EXPECT_EQ(_getTempAdjContrast(200, 0), 2308); // 2335 + (2222 - 2335) * 23 / 93
}

TEST(BoardRegisterTest, IdentityPorts) {
    for (unsigned char r = 0; r < 8; ++r) {
        hostSetBoardRevision(r);
        EXPECT_EQ(getHWrev(), r);
    }
    ioWrite8(IO_PortHwRev, 0x8F); // only bits 4-6 count
    EXPECT_EQ(getHWrev(), 7);

    EXPECT_FALSE(checkForQuilsDevelopmentBoard()); // its marker file is on the board only
    ioWrite8(IO_PortVariant, 0xFF);
    HW_variantInit();
    EXPECT_EQ(ioRead8(IO_PortVariant), 0x8C);
}

TEST(BoardRegisterTest, LcdPowersDown) {
    startVirtualClock(1000);
    struct Case {
        uint32_t control;
        uint32_t lcdPower2After;
        uint32_t minMs;
    } cases[] = {
        {0x801, 0, 140}, // enabled: waits for the end of a frame that never comes here
        {0x800, 0xAA, 40},
    };
    for (const Case& c : cases) {
        ioWrite32(IO_LcdPower1, 0xAA);
        ioWrite32(IO_LcdPower2, 0xAA);
        ioWrite32(IO_LcdControl, c.control);
        ioWrite32(IO_LcdStatus, 0xFF);
        ioWrite8(IO_PortLcdVcc, 0);
        uint32_t t = nowMs();
        powerDownLCDsubsystem();
        EXPECT_GE(nowMs() - t, c.minMs);
        EXPECT_LE(nowMs() - t, c.minMs + 5);
        EXPECT_EQ(ioRead32(IO_LcdPower1), 0u);
        EXPECT_EQ(ioRead32(IO_LcdControl), 0u);
        EXPECT_EQ(ioRead32(IO_LcdPower2), c.lcdPower2After);
        EXPECT_EQ(ioRead32(IO_LcdStatus), c.control & 1 ? 0xF7u : 0xFFu);
        EXPECT_EQ(ioRead8(IO_PortLcdVcc), PortLcdVccBit); // supply off
    }
}

TEST(BoardRegisterTest, TimerCountsUpInHalfMilliseconds) {
    TimerExtension ext;
    struct Step {
        uint32_t reg;
        uint32_t result;
    } steps[] = {
        {0xFFFF, 0},
        {0xFFFE, 1},
        {0xFEB8, 327 + 1},
        {0x0000, 0xFFFF + 200}, // 65535 + 65535 / 327
        {0xFFFF, 0x10000 + 200},
        {0xFFFE, 0x10001 + 200},
    };
    for (const Step& s : steps)
        EXPECT_EQ(extendTimerCount(&ext, s.reg), s.result) << std::hex << s.reg;
}

TEST_F(BoardTest, StartSetsUpTheBoard) {
    coprocessor.readings.temperature = 850; // hot: the backlight starts derated
    ioWrite32(IO_TimerLoad, 77);
    memset(frameBuffer, 0, FrameBufferBytes);
    ARM9_platformInit();
    EXPECT_EQ(ioRead32(IO_TimerLoad), 0u);
    EXPECT_EQ(ioRead8(IO_TimerControl), 0x80);
    EXPECT_EQ(std::tuple(getPixel(0, 0), getPixel(319, 239)), std::tuple(15, 15));
    EXPECT_EQ(getCPLDversion(false), HostCpldVersion);
    EXPECT_TRUE(getAutoKeyClick());
    EXPECT_EQ(getBuzzerVolume(), 8); // as the co-processor had it
    EXPECT_EQ(getTemperature(), 850);
    sent();
    EXPECT_EQ(coprocessor.backlightLevel(), 2048u);
}

TEST_F(BoardTest, ConfigurationWordsReadBackAreNotKeys) {
    for (unsigned char ch = 0; ch < 4; ++ch)
        configGPIO(ch, GPIO_Type3, true, 0, 0);
    for (unsigned char e = MSP_IOconfigEntry; e < MSP_IOconfigEntry + 4; ++e)
        queueMSPread(e);
    sent();
    for (unsigned char ch = 0; ch < 4; ++ch)
        EXPECT_EQ(PollCmdTable[MSP_IOconfigEntry + ch].word, (0xA4160000u + (ch << 24)));
    EXPECT_EQ(getKeypadState(), 0u);
    EXPECT_EQ(getBulkDin(), 0u);
}

TEST(RealTimeHookTest, OncePerTickAndNeverInsideItself) {
    startVirtualClock(1000);
    static int calls;
    calls = 0;
    RTdriverHookService = [] {
        ++calls;
        realTimeDriverHook(); // drawing from inside the service comes back here
    };
    realTimeDriverHook();
    realTimeDriverHook();
    EXPECT_EQ(calls, 1);
    hostClockAdvanceMs(1);
    RT_pixelCountDown = 3;
    for (int i = 0; i < 3; ++i)
        setPixel(0, 0, 1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(RT_pixelCountDown, 600);
}
} // namespace
