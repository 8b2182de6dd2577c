// The program with its string file: --language makes a language current at start-up.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/program_runner.h"

namespace {
// A fresh working directory holding the program's string file.
std::string dirWithStringFile() {
    std::ifstream in(PROGRAM_STRING_FILE, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string dir = makeTempDir();
    writeFile(dir + "/stringFile.txt", content.str());
    return dir;
}

// Runs the program in dir with a key script that quits at once.
ProgramResult runWith(std::vector<std::string> args, const std::string& dir) {
    args.insert(args.begin(), {"--keys", "-"});
    ProgramRun run(args, "quit\n");
    run.workDir = dir;
    return runProgram(run);
}

// Aliases and the default (English) are run by the screens in several languages
// (tests/flashloader/main_screen_test.cpp).
TEST(ProgramLanguageTest, LanguageByNameAndUnknownLanguages) {
    std::string dir = dirWithStringFile();
    ProgramResult r = runWith({"--language=Deutsch"}, dir);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find("language Deutsch\n"), std::string::npos) << r.out;
    r = runWith({"--language", "Klingon"}, dir);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "flashloader: --language: unknown language 'Klingon'\n");
    // Without a string file only English exists.
    EXPECT_EQ(runWith({"--language", "Deutsch"}, makeTempDir()).exitStatus, 2);
}
} // namespace
