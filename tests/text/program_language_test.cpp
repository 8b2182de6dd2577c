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

ProgramResult runWith(const std::vector<std::string>& args, const std::string& dir) {
    ProgramRun run(args, "quit\n");
    run.workDir = dir;
    return runProgram(run);
}

TEST(ProgramLanguageTest, LanguagesByNameOrAlias) {
    std::string dir = dirWithStringFile();
    ProgramResult de = runWith({"--keys", "-", "--language", "Deutsch"}, dir);
    EXPECT_EQ(de.exitStatus, 0) << de.err;
    EXPECT_NE(de.out.find("language Deutsch\n"), std::string::npos) << de.out;
    ProgramResult fr = runWith({"--keys", "-", "--language=fr"}, dir);
    EXPECT_EQ(fr.exitStatus, 0) << fr.err;
    EXPECT_NE(fr.out.find("language Francais\n"), std::string::npos) << fr.out;
}

TEST(ProgramLanguageTest, EnglishByDefaultWithOrWithoutTheFile) {
    ProgramResult withFile = runWith({"--keys", "-"}, dirWithStringFile());
    EXPECT_EQ(withFile.exitStatus, 0);
    EXPECT_NE(withFile.out.find("language English\n"), std::string::npos) << withFile.out;
    ProgramResult without = runWith({"--keys", "-"}, makeTempDir());
    EXPECT_EQ(without.exitStatus, 0);
    EXPECT_NE(without.out.find("language English\n"), std::string::npos) << without.out;
}

TEST(ProgramLanguageTest, UnknownLanguageIsOneLineAndStatusTwo) {
    ProgramResult r = runWith({"--keys", "-", "--language", "Klingon"}, dirWithStringFile());
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "flashloader: --language: unknown language 'Klingon'\n");
    // Without a string file only English exists.
    ProgramResult none = runWith({"--keys", "-", "--language", "Deutsch"}, makeTempDir());
    EXPECT_EQ(none.exitStatus, 2);
}
} // namespace
