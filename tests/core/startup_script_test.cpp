// The start-up script interpreter: pauses, drawing and palette records, variables and
// loops, and damaged files that must be skipped through without harm.
#include <gtest/gtest.h>

#include <random>

#include "core/application_task.h"
#include "core/framework.h"
#include "platform/display.h"
#include "platform/host/host_io.h"
#include "platform/platform.h"
#include "tests/support/program_runner.h"
#include "tests/support/test_application.h"

namespace {
using Words = std::vector<uint32_t>;

// Builds a script file record by record: a 16-bit command, a 32-bit length, the payload.
struct Script {
    std::string data;
    static std::string le(uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s += static_cast<char>(v >> (8 * i));
        return s;
    }
    Script& raw(uint16_t cmd, const std::string& payload, int64_t length = -1) {
        data += le(cmd, 2) + le(static_cast<uint32_t>(length >= 0 ? length : payload.size()), 4);
        data += payload;
        return *this;
    }
    // Payload words of 16 bits, or of 32 after the four words of a bitmap header (cmd 3).
    Script& rec(uint16_t cmd, const Words& words) {
        std::string payload;
        for (size_t i = 0; i < words.size(); ++i)
            payload += le(words[i], cmd == 3 && i >= 4 ? 4 : 2);
        return raw(cmd, payload);
    }
};

class StartupScriptTest : public ::testing::Test {
protected:
    std::string path = makeTempDir() + "/startupScript";
    void SetUp() override {
        installTestApplication();
        platformInit();
    }
    // Every pause until the script ends (bounded, so a hang fails instead of looping).
    Words pauses(const Script& s) {
        writeFile(path, s.data);
        StartupScriptFileName = path.c_str();
        Words out;
        for (int i = 0; i < 100000; ++i) {
            uint32_t d = theApplication->paceStartup(false);
            if (d == 0) return out;
            out.push_back(d);
        }
        ADD_FAILURE() << "script did not end";
        return out;
    }
    // The colours of n pixels from (x, y) as hex digits. Script coordinates address the frame
    // buffer, which the screen shows turned by 180°; fills use screen coordinates.
    static std::string row(int x, int y, int n, bool buffer = true) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "0123456789abcdef"[buffer ? getPixel(319 - x - i, 239 - y) : getPixel(x + i, y)];
        return s;
    }
};

TEST_F(StartupScriptTest, PausesComeFromPauseRecordsAndBitmaps) {
    Script s;
    s.rec(2, {50, 200})                   // default delay 50, pause 200
        .rec(3, {0, 0, 8, 1, 0x11111111}) // bitmap: pause of the default delay
        .rec(2, {0, 0})                   // default delay 0, no pause
        .rec(3, {8, 0, 8, 1, 0x22222222}) // no pause now
        .rec(2, {0, 30})
        .rec(0, {})
        .rec(2, {0, 99}); // after the end: never reached
    EXPECT_EQ(pauses(s), (Words{200, 50, 30}));
    EXPECT_EQ(row(0, 0, 17), "1111111122222222f");
    // The script can run again from the start after it ended, and after an abort.
    EXPECT_EQ(pauses(s), (Words{200, 50, 30}));
    EXPECT_EQ(theApplication->paceStartup(false), 200u);
    EXPECT_EQ(theApplication->paceStartup(true), 0u);
    EXPECT_EQ(theApplication->paceStartup(false), 200u);
    // A missing script ends at once, after a sync.
    theApplication->paceStartup(true);
    StartupScriptFileName = "/nonexistent/startupScript";
    unsigned syncs = hostIo.syncs;
    EXPECT_EQ(theApplication->paceStartup(false), 0u);
    EXPECT_EQ(hostIo.syncs, syncs + 1);
}

TEST_F(StartupScriptTest, LoopsRepeatTheirBodyWithVariablesAndLiterals) {
    Script s;
    s.rec(10, {10000, 1, 3, 1})               // for v0 = 1 to 3
        .rec(10, {10001, 10, 0xFFFF, 0xFFF6}) // v1 = 10, limit -1, step -10
        .rec(9, {10002, 1, 1})                // v2 += 1 (inner body)
        .rec(11, {})
        .rec(9, {10003, 2, 0})     // v3 *= 2
        .rec(9, {10003, 1, 10000}) // v3 += v0
        .rec(2, {0, 7})
        .rec(11, {});
    EXPECT_EQ(pauses(s), (Words{7, 7, 7}));
    EXPECT_EQ(varEval(10000, 0, false), 4);
    // Loops count up: with a negative step the new value (0) is above the limit (-1) at
    // once, so the inner body runs once per outer pass.
    EXPECT_EQ(varEval(10002, 0, false), 3);
    EXPECT_EQ(varEval(10003, 0, false), ((0 * 2 + 1) * 2 + 2) * 2 + 3);
    // Words from 10000 on name variables (26 of them), others are literals.
    EXPECT_EQ(varEval(10025, -5, true), -5);
    EXPECT_EQ(varEval(10026, 9, true), 9); // a literal: nothing stored
    EXPECT_EQ(varEval_word(0xFFFF), -1);
}

TEST_F(StartupScriptTest, MalformedRecordsAreSkippedByTheirLength) {
    Script s;
    s.rec(2, {0, 0, 5})                  // wrong length: skipped, no pause
        .raw(99, std::string(1000, 'x')) // unknown command
        .rec(11, {})                     // loop end without a loop
        .rec(3, {0, 0, 7, 1, 0x11})      // width not a multiple of 8
        .rec(3, {312, 0, 16, 1, 1, 2})   // would run past the row: skipped
        .rec(3, {1, 2})                  // shorter than its header
        .rec(6, {})                      // wrong length
        .rec(5, {1})                     // sync with a payload: skipped
        .rec(5, {})                      // a sync
        .rec(2, {0, 42});
    unsigned syncs = hostIo.syncs;
    EXPECT_EQ(pauses(s), (Words{42}));
    EXPECT_EQ(hostIo.syncs, syncs + 1);
    EXPECT_EQ(row(0, 0, 320), std::string(320, 'f'));
}

TEST_F(StartupScriptTest, AFifthNestedLoopIsSkippedAndEndlessLoopsEnd) {
    Script s;
    for (int i = 0; i < 5; ++i)
        s.rec(10, {static_cast<uint16_t>(10000 + i), 0, 1, 1});
    s.rec(9, {10010, 1, 1}); // counts passes through the innermost body
    for (int i = 0; i < 5; ++i)
        s.rec(11, {});
    pauses(s);
    // Four loops of two passes each; the fifth start was skipped and its end closed the
    // innermost open loop instead.
    EXPECT_EQ(varEval(10004, 0, false), 0);
    EXPECT_EQ(varEval(10010, 0, false), 16);
    Script huge;
    huge.raw(99, "", 0xFFFFFFFF); // a length far beyond the end of the file
    EXPECT_TRUE(pauses(huge).empty());
    Script endless;
    endless.rec(10, {10000, 0, 5, 0}).rec(11, {}); // step 0: never reaches the limit
    EXPECT_TRUE(pauses(endless).empty());
}

TEST_F(StartupScriptTest, RandomFilesNeverHangOrOverrun) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        Script s;
        for (int r = 1 + rng() % 20; r > 0; --r) {
            uint16_t cmd = static_cast<uint16_t>(rng() % 14);
            std::string payload(rng() % 60, '\0');
            for (char& c : payload)
                c = static_cast<char>(rng());
            s.raw(cmd, payload, rng() % 4 == 0 ? static_cast<int64_t>(rng() % 70) : -1);
        }
        pauses(s);
    }
}
} // namespace
