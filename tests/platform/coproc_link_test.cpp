// The co-processor link as the co-processor sees it: the words sent, word for word, the
// answers routed to their entries, polls and their time-outs, and waits that end on the
// virtual clock when nothing answers.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/keypad.h"
#include "platform/arm9.h"
#include "platform/io_services.h"
#include "platform/msp_services.h"
#include "tests/platform/coproc_test_support.h"

namespace {
typedef std::vector<uint32_t> Words;

TEST_F(CoprocessorTest, StartupAsksForTheStartupEntriesThenSetsItsOwn) {
    ARM9_platformInit();
    Words expected = {0xA3000040, 0xA3000070, 0xA30000A1};
    for (uint32_t c = 0xA4; c <= 0xAB; ++c)
        expected.push_back(0xA3000000 | c);
    for (uint32_t c : {0xAE, 0xB1, 0xB2, 0xB3, 0xB4, 0xC0, 0xD0, 0xBE})
        expected.push_back(0xA3000000 | c);
    expected.push_back(0xA2030000); // hardware revision 3 in field 10
    expected.push_back(0xAEFF0008); // automatic clicks on, the co-processor's volume kept
    // Backlight enabled at the level the co-processor had, then contrast 2443 for 25.0
    // degrees: both writes queued before either went, so both carry the entry as it is.
    expected.push_back(0x78FFF98B);
    expected.push_back(0x78FFF98B);
    EXPECT_EQ(sent(), expected);
    setBuzzerVolume(3);
    EXPECT_EQ(sent(), Words{0xAEFF0003});
}

TEST_F(CoprocessorTest, FieldWritesByMode) {
    struct Case {
        unsigned char mode;
        uint32_t value;
        Words words;
    } cases[] = {
        {0, 7, {}},           {1, 7, {}}, // stored by mode 0 already: unchanged
        {1, 8, {0x70000008}}, {1, 8, {}}, {2, 8, {0x70000008}},
    };
    for (const Case& c : cases) {
        setMSPcmdField(c.mode, MFT_Contrast, c.value);
        EXPECT_EQ(sent(), c.words) << "mode " << int(c.mode) << " value " << c.value;
    }
    setMSPcmdField(2, MFT_Ignition, 0x1ABC); // wider than the field: cut to it
    EXPECT_EQ(sent(), Words{0xD0000ABC});
    EXPECT_EQ(getMSPcmdField(MFT_Ignition), 0xABCu);
}

TEST_F(CoprocessorTest, CommandWords) {
    static const unsigned char sound[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* what;
        std::function<void()> act;
        Words words;
    } cases[] = {
        {"sound once", [] { playSound(2, false); }, {0xAE010202}},
        {"repeating twice", [] { playSound(5, true), playSound(5, true); }, {0xAE010505}},
        {"kill", [] { killSound(), killSound(); }, {0xAE010100, 0xAE000000}},
        {"click", [] { keyClick(); }, {0xAE010000}},
        {"user sound",
         [] { defineUserSound(sound, 1234); },
         {0xAE10007B, 0xAE110102, 0xAE120304, 0xAE130506, 0xAE140708}},
        {"nvram word", [] { setNVRAM_uword(37, 0xBEEF); }, {0xBF85BEEF}},
        {"nvram long", [] { setNVRAM_ulong(31, 0x12345678); }, {0xBF5F1234, 0xBF805678}},
        {"nvram save", [] { saveNVRAM(); }, {0xBF005AFE}},
        {"erase",
         [] { eraseDataFlashSector(4), eraseDataFlashSector(5), eraseDataFlashSector(6); },
         {0xAF00EA5E, 0xAF40EA5E}},
        {"flash write and seek",
         [] { writeDataFlash(130, 0x1111), seekDataFlash(200); },
         {0xAF821111, 0xAF480000}},
        {"clock with a mode", [] { setRTCtime(0x12345678, 2); }, {0xAC021234, 0xAD025678}},
        {"auto-repeat", [] { setKeypadAutoRepeatKeys(0x8001); }, {0xB4008001}},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(sent(), c.words) << c.what;
    }
}

TEST_F(CoprocessorTest, AnswersGoToTheirEntries) {
    // 0xB5 answers entry 29's request but belongs to no entry of its own.
    queueMSPread(29);
    queueMSPread(28);
    coprocessor.readings.battery_mV = 12000;
    coprocessor.readings.temperature = -123;
    queueMSPread(MSP_BatteryEntry);
    sent();
    EXPECT_EQ(PollCmdTable[29].word, 0xB5000000u);
    EXPECT_EQ(PollCmdTable[29].flag, 0);
    EXPECT_EQ(PollCmdTable[28].flag, 1);
    EXPECT_NEAR(getBattery(), 12000u, 25u); // within the steps of the divided reading
    EXPECT_EQ(getTemperature(), -123);

    // A keypad word equal to the last one does not reach the keypad layer again.
    std::vector<std::pair<uint32_t, uint32_t>> changes;
    static std::vector<std::pair<uint32_t, uint32_t>>* seen;
    seen = &changes;
    setKeypadChangeCallback([](uint32_t, uint32_t s, uint32_t c) { seen->push_back({s, c}); }, 0);
    coprocessor.pressKeys(EnterKey);
    queueMSPread(MSP_KeypadEntry);
    sent();
    _setKeypadState_(0); // the layer forgets, the link does not
    changes.clear();
    queueMSPread(MSP_KeypadEntry);
    sent();
    EXPECT_TRUE(changes.empty());
    coprocessor.turnDial(-2);
    queueMSPread(MSP_KeypadEntry);
    sent();
    EXPECT_EQ(changes, (std::vector<std::pair<uint32_t, uint32_t>>{{0x80000000u, 0x80000000u},
                                                                   {EnterKey, EnterKey}}));
}

TEST_F(CoprocessorTest, IoEventsComeAtTheAskedPeriodUntilStopped) {
    static std::vector<unsigned char> events;
    setIO_EventCallback([](unsigned char e) { events.push_back(e); });
    configADC(3, 100, 5); // readings are checked with the board's inputs
    runLink(250);
    EXPECT_EQ(events, (std::vector<unsigned char>{5, 5, 5})); // at once, 100 and 200 ms
    configADC(3, 0, 5);
    runLink(250);
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(CoprocessorTest, AnUnansweredKeypadPollIsSentAgainAfter25Periods) {
    uint32_t t0 = nowMs();
    ARM9_platformInit();
    coprocessor.answering = false;
    unsigned mark = coprocessor.wordsTaken();
    auto pollsWithin = [&](int ms) { // when the keypad poll went, from the start
        std::vector<uint32_t> at;
        for (int i = 0; i < ms; ++i) {
            runLink(1);
            for (; mark < coprocessor.wordsTaken(); ++mark)
                if (coprocessor.takenWord(mark) == 0xA3000040) at.push_back(nowMs() - t0);
        }
        return at;
    };
    std::vector<uint32_t> at = pollsWithin(1100);
    uint32_t start = at.empty() ? 0 : at[0];
    EXPECT_EQ(at, (std::vector<uint32_t>{start, start + 500, start + 1000}));
    EXPECT_LT(start, 30u); // 10 ms after the platform started
    // Once answered, the next poll follows one period after the next time-out.
    coprocessor.answering = true;
    at = pollsWithin(500);
    ASSERT_GE(at.size(), 3u);
    EXPECT_EQ(at[0], start + 1500);
    EXPECT_EQ(at[2] - at[1], 20u);
}

TEST_F(CoprocessorTest, WaitsEndWhenNothingAnswers) {
    coprocessor.answering = false;
    struct Case {
        const char* what;
        std::function<uint32_t()> act;
        uint32_t result;
        uint32_t ms;
    } cases[] = {
        {"response", [] { return waitForMSPresponse(7, 100); }, 0, 50},
        {"data flash", [] { return readDataFlash(3); }, 0xFFFF, 500},
        {"nvram word", [] { return getNVRAM_uword(3); }, 0xFFFF, 251},
        {"nvram long", [] { return getNVRAM_ulong(3); }, 0xFFFFFFFF, 501},
        {"delay", [] { return MSP_delay(7), 0u; }, 0, 3},
    };
    for (const Case& c : cases) {
        uint32_t t = nowMs();
        EXPECT_EQ(c.act(), c.result) << c.what;
        EXPECT_NEAR(nowMs() - t, c.ms, 1) << c.what;
    }
    uint32_t t = nowMs();
    getRTCtime();
    EXPECT_LE(nowMs() - t, 2100u);
    coprocessor.takingWords = false;
    keyClick();
    t = nowMs();
    waitForMSPqueueEmpty();
    EXPECT_EQ(nowMs() - t, 2000u);
}

// The serial number's way back is checked through its text (SerialNumberTextShowsOddBytesInHex).
TEST_F(CoprocessorTest, ClockNvramAndFlashRoundTrips) {
    setRTCtime(1700000000, 0);
    EXPECT_EQ(getRTCtime(), 1700000000u);
    runLink(3000);
    EXPECT_EQ(getRTCtime(), 1700000003u);
    setRTCtime(0xF0000000, 0); // past 2038: beyond a signed 32-bit count of seconds
    EXPECT_EQ(getRTCtime(), 0xF0000000u);

    setNVRAM_uword(5, 0x1234);
    setNVRAM_ulong(20, 0xDEADBEEF);
    setNVRAM_uword(6, 0xABCD);
    EXPECT_EQ(getNVRAM_uword(5), 0x1234);
    EXPECT_EQ(getNVRAM_ulong(20), 0xDEADBEEFu);
    EXPECT_EQ(getNVRAM_ulong(5), 0x1234ABCDu);
    // The data flash only clears bits until its sector is erased.
    eraseDataFlashSector(6);
    writeDataFlash(70, 0x0FF0);
    writeDataFlash(70, 0xF00F);
    EXPECT_EQ(readDataFlash(70), 0x0000);
    eraseDataFlashSector(6);
    EXPECT_EQ(readDataFlash(70), 0xFFFF);
}

TEST_F(CoprocessorTest, NvramAndFlashSurviveARestart) {
    std::string dir = makeTempDir() + "/state/nested";
    hostCoprocessorStart(dir.c_str(), false);
    setNVRAM_uword(3, 0x0102);
    setNVRAM_ulong(8, 0xA1B2C3D4);
    writeDataFlash(100, 0x7777);
    setRTCtime(getRTCtime() + 3600, 0);
    waitForMSPqueueEmpty();

    EmulatedCoprocessor restarted;
    restarted.openState(dir);
    EXPECT_EQ(std::tuple(restarted.nvram[3], restarted.nvram[8], restarted.nvram[9]),
              std::tuple(0x0102, 0xA1B2, 0xC3D4));
    EXPECT_EQ(restarted.dataFlash[100], 0x7777);
    EXPECT_NEAR(restarted.rtcOffset, 3600, 1);

    // Damaged files are left aside: the co-processor starts blank.
    writeFile(dir + "/nvram", "short");
    writeFile(dir + "/rtc-offset", "soon\n");
    EmulatedCoprocessor blank;
    testing::internal::CaptureStderr();
    blank.openState(dir);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(blank.nvram[3], 0xFFFF);
    EXPECT_EQ(blank.rtcOffset, 0);
    EXPECT_EQ(blank.dataFlash[100], 0x7777);
    EXPECT_NE(err.find("nvram: not 128 bytes, ignored"), std::string::npos) << err;
    EXPECT_NE(err.find("rtc-offset: not a number"), std::string::npos) << err;

    // A state directory that cannot be made is reported; the co-processor works on.
    writeFile(dir + "/file", "");
    hostCoprocessorStart((dir + "/file/sub").c_str(), false);
    testing::internal::CaptureStderr();
    setNVRAM_uword(4, 0x4444);
    EXPECT_EQ(getNVRAM_uword(4), 0x4444);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("state directory " + dir + "/file/sub: Not a directory"), std::string::npos)
        << err;
}

TEST(StateDirTest, DefaultFollowsTheEnvironment) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string dir;
    } cases[] = {
        {"/x/state", "/home/u", "/x/state/flashloader"},
        {"relative", "/home/u", "/home/u/.local/state/flashloader"}, // only absolute counts
        {nullptr, "", ""},
        {nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        c.xdg != nullptr ? setenv("XDG_STATE_HOME", c.xdg, 1) : unsetenv("XDG_STATE_HOME");
        c.home != nullptr ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(hostDefaultStateDir(), c.dir);
    }
}
} // namespace
