// The application as a user drives it with keys, on the simulated bus: the search screen,
// the main screen with what it selects, the checks and their overrides, the confirmation,
// the progress and results dialogs, and the power key. Screens compared with references.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/program_runner.h"
#include "tests/support/screen_compare.h"

namespace {
// A body controller and the file made for it.
const char* const BodyModule = "sa=0x80 id=1234 function=17 flash=64K sector=4K erase-ms=200";
const char* const BodyFileArgs[] = {"--size", "8K",          "--addresses", "0x80",      "--ids",
                                    "1234",   "--functions", "17",          "--version", "1.0.7",
                                    "--date", "2026-11-30",  "--sectors",   "0,1"};

class Screens : public ::testing::Test {
protected:
    std::string dir = makeTempDir();
    std::string stick = dir + "/stick";
    std::string keys;
    ProgramResult result;

    void SetUp() override { ASSERT_EQ(system(("mkdir -p " + stick).c_str()), 0); }

    // A software file on the stick; extra replaces or adds osfgen options.
    void addFile(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> args(std::begin(BodyFileArgs), std::end(BodyFileArgs));
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-o", stick + "/" + name});
        ProgramRun gen(args);
        gen.program = OSFGEN_BIN;
        ASSERT_EQ(runProgram(gen).exitStatus, 0);
    }
    void shot(const std::string& name, int waitMs = 100) {
        keys += "wait " + std::to_string(waitMs) + "\nscreenshot " + dir + "/" + name + ".png\n";
    }
    void run(std::vector<std::string> modules, std::vector<std::string> extraArgs = {},
             bool inSourceTree = false) {
        std::vector<std::string> args = {"--virtual-time", "--keys", "-",  "--state",
                                         dir + "/state",   "--usb",  stick};
        for (const std::string& m : modules)
            args.insert(args.end(), {"--module", m});
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        ProgramRun r(args, keys + "quit\n");
        if (inSourceTree) r.workDir = SOURCE_ROOT; // where the string file lies
        result = runProgram(r);
    }
    ::testing::AssertionResult matches(const std::string& name, const std::string& reference) {
        RgbImage img;
        if (!readPng((dir + "/" + name + ".png").c_str(), &img))
            return ::testing::AssertionFailure() << "no screenshot " << name;
        return imageMatchesReference(img, reference);
    }
};
} // namespace

// One file and the module it is made for: the search screen shows first, the main screen
// selects the button, "Yes" programs the module, the power key waits for the run's end.
TEST_F(Screens, OneMatchingPairIsProgrammedAndThePowerKeyWaitsForTheRun) {
    addFile("body-1.0.7.hex");
    shot("search", 500);
    shot("main", 3000);
    keys += "ENTER\n";
    shot("confirm");
    keys += "ESC\n"; // "No": the main screen comes back as it was
    shot("declined");
    keys += "ENTER\nLEFTARROW\nENTER\n";
    shot("checking", 1);
    shot("changing", 100);
    shot("erasing", 300);
    keys += "PWRKEY\n";
    shot("programming", 600);
    shot("succeeded", 20000);
    keys += "ESC\n";
    shot("after");
    keys += "PWRKEY\nwait 100\nscreenshot " + dir + "/never.png\n";
    run({std::string(BodyModule) + " delay-mode=300"}, {}, true);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("programming succeeded"), std::string::npos) << result.out;
    EXPECT_TRUE(matches("search", "screens_search"));
    EXPECT_TRUE(matches("main", "screens_main_one_pair"));
    EXPECT_TRUE(matches("confirm", "screens_confirm"));
    EXPECT_TRUE(matches("checking", "screens_progress_checking"));
    EXPECT_TRUE(matches("changing", "screens_progress_changing"));
    EXPECT_TRUE(matches("erasing", "screens_progress_erasing"));
    EXPECT_TRUE(matches("programming", "screens_progress_programming"));
    EXPECT_TRUE(matches("succeeded", "screens_result_succeeded"));
    // Closing a dialog repaints the lists under it, their items whole.
    EXPECT_TRUE(matches("declined", "screens_main_one_pair"));
    EXPECT_TRUE(matches("after", "screens_main_after_run"));
    // The first power key came during the run; the second one ended the program.
    RgbImage none;
    EXPECT_FALSE(readPng((dir + "/never.png").c_str(), &none));
}

// Two files of which only the one found second fits: it becomes current and the button is
// selected. A stick of seven files lists the first five.
TEST_F(Screens, TheFileThatFitsIsChosenAndOnlyFiveFilesAreListed) {
    addFile("wrong.hex", {"--addresses", "0x81"});
    addFile("right.hex");
    shot("two", 3000);
    run({BodyModule});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("software files: 2\n"), std::string::npos) << result.out;
    EXPECT_TRUE(matches("two", "screens_main_second_file_fits"));
    for (const char* name : {"c.hex", "d.hex", "e.hex", "f.hex", "g.hex"})
        addFile(name);
    keys = "wait 3000\n";
    run({});
    EXPECT_NE(result.out.find("software files: 5\n"), std::string::npos) << result.out;
}

// A module at an address the file does not list: "Fail" with its override box, selected,
// the button disabled; ticking the box overrides the check and enables the button, which
// opens the confirmation.
TEST_F(Screens, AFailedCheckCanBeOverridden) {
    addFile("body.hex");
    shot("failed", 3000);
    keys += "ENTER\n";
    shot("overridden");
    keys += "DOWNARROW\nENTER\n";
    shot("confirm");
    keys += "ESC\n";
    run({"sa=0x81 id=1234 function=17"}, {}, true);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(matches("failed", "screens_check_failed"));
    EXPECT_TRUE(matches("overridden", "screens_check_overridden"));
    EXPECT_TRUE(matches("confirm", "screens_confirm_overridden"));
}

// The main screen and the confirmation in German and French.
TEST_F(Screens, MainScreenAndConfirmationInGermanAndFrench) {
    addFile("body-1.0.7.hex");
    for (const char* lang : {"de", "fr"}) {
        keys.clear();
        shot(std::string("main_") + lang, 3000);
        keys += "ENTER\n";
        shot(std::string("confirm_") + lang);
        keys += "ESC\n";
        run({BodyModule}, {"--language", lang}, true);
        ASSERT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_TRUE(matches(std::string("main_") + lang, std::string("screens_main_") + lang));
        EXPECT_TRUE(
            matches(std::string("confirm_") + lang, std::string("screens_confirm_") + lang));
    }
}
