// Configuration files with garbage: random bytes, mutated good files, long lines, missing
// quotes and binary bytes. Reading stays inside its buffers (the string target sits on the
// heap at its exact size for the address sanitizer) and ends, and a file it refuses leaves
// every setting at its default.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <unistd.h>

#include "tests/core/config_file_support.h"
#include "tests/support/program_runner.h"

namespace {
const char Tokens[] = "[]<>=\"' \n\t0123456789.-+xeCFG";

std::string randomFile(std::mt19937& rng) {
    std::string f = rng() % 2 == 0 ? "CFG 3\n" : "";
    size_t n = rng() % 600;
    for (size_t i = 0; i < n; ++i)
        f += rng() % 3 == 0 ? static_cast<char>(rng()) : Tokens[rng() % (sizeof Tokens - 1)];
    return f;
}

std::string mutated(std::mt19937& rng) {
    std::string f = Written;
    for (int m = 1 + rng() % 6; m > 0; --m) {
        size_t at = rng() % (f.size() + 1);
        switch (rng() % 5) {
        case 0: // a byte changed
            if (at < f.size()) f[at] = static_cast<char>(rng());
            break;
        case 1: // bytes removed
            f.erase(at, rng() % 20);
            break;
        case 2: // a run far longer than a line
            f.insert(at, std::string(200 + rng() % 3000, Tokens[rng() % (sizeof Tokens - 1)]));
            break;
        default: { // every double quote or every line feed from here on removed
            char gone = rng() % 2 ? '"' : '\n';
            for (size_t q; (q = f.find(gone, at)) != std::string::npos;)
                f.erase(q, 1);
            break;
        }
        }
    }
    return f;
}

TEST(ConfigFileFuzzTest, GarbageIsReadSafelyAndRefusedFilesKeepTheDefaults) {
    std::string dir = makeTempDir();
    TestSettings s(dir + "/fuzz.cfg");
    std::mt19937 rng(1939);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string f = i % 2 == 0 ? randomFile(rng) : mutated(rng);
        // A fresh file each time: truncating one just written makes the file system flush it.
        unlink(s.path.c_str());
        writeFile(s.path, f);
        bool ok = s.cfg.readCfg();
        ASSERT_LT(strnlen(reinterpret_cast<char*>(s.title), TestSettings::TitleSize),
                  TestSettings::TitleSize);
        if (ok) {
            ++accepted;
            ASSERT_EQ(f.compare(0, 3, "CFG"), 0) << f;
            ASSERT_TRUE(s.cfg.version == 2 || s.cfg.version == 3) << f;
        } else {
            ASSERT_TRUE(s.inverted && s.gain == 1.5 && s.mode == 'A' &&
                        s.title_() == "Flash programme" && s.volume.value == 8 &&
                        s.letter.value == 'x')
                << f;
        }
    }
    // Both kinds of files were met.
    EXPECT_GT(accepted, 300);
    EXPECT_LT(accepted, 2700);
}
} // namespace
