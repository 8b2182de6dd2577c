// Software-file fuzzer: well-formed files mutated (bits flipped, garbage inserted, ranges cut,
// lines doubled, very long lines, huge numbers, thousands of commas) go through every entry:
// isAOsf, init, validate and readNextRecord to the end. Nothing may crash or read out of
// bounds (the sanitizer build watches), reading must end, and a file that passes validation
// must read back as sound records up to its end-of-file record.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "flashloader/osf.h"
#include "tests/support/program_runner.h"

namespace {
std::string hexRecord(uint8_t type, uint16_t offset, const std::string& data) {
    char buf[16];
    std::string line = ":";
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    snprintf(buf, sizeof buf, "%02X%04X%02X", static_cast<unsigned>(data.size()), offset, type);
    line += buf;
    for (unsigned char c : data) {
        snprintf(buf, sizeof buf, "%02X", c);
        line += buf;
        sum += c;
    }
    snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + buf;
}

std::string seedFile(std::mt19937& rnd) {
    std::string f = "[Hex File Information]\nFirmwareVersion=3.1.7\nReleaseDate=2024-05-06\n"
                    "Sectors=0x13\nSectorsList=1,2,3\nJ1939Address=0x80,129\n"
                    "ModuleID=77\nFunction=0\n";
    f += hexRecord(4, 0, std::string("\x00\x01", 2));
    int records = 1 + static_cast<int>(rnd() % 12);
    for (int i = 0; i < records; ++i) {
        std::string data(1 + rnd() % 32, '\0');
        for (char& c : data)
            c = static_cast<char>(rnd());
        f += hexRecord(0, static_cast<uint16_t>(i * 32), data);
    }
    return f + hexRecord(1, 0, "");
}

std::string mutate(std::string f, std::mt19937& rnd) {
    int edits = 1 + static_cast<int>(rnd() % 4);
    for (int e = 0; e < edits; ++e) {
        size_t at = f.empty() ? 0 : rnd() % f.size();
        switch (rnd() % 8) {
        case 0: // bit flips
            if (!f.empty()) f[at] = static_cast<char>(f[at] ^ (1 << (rnd() % 8)));
            break;
        case 1: { // binary garbage, line ends and NULs among it
            std::string g(1 + rnd() % 40, '\0');
            for (char& c : g)
                c = static_cast<char>(rnd() % 4 == 0 ? "\n\r\0:="[rnd() % 5] : rnd());
            f.insert(at, g);
            break;
        }
        case 2: // a range cut out
            f.erase(at, rnd() % 60);
            break;
        case 3: { // a line doubled
            size_t start = f.rfind('\n', at);
            start = start == std::string::npos ? 0 : start + 1;
            size_t end = f.find('\n', at);
            if (end != std::string::npos) f.insert(start, f.substr(start, end - start + 1));
            break;
        }
        case 4: // a very long line
            f.insert(at, std::string(500 + rnd() % 6000, "0F,9:"[rnd() % 5]) + "\n");
            break;
        case 5: { // a header value of huge numbers or thousands of commas
            static const char* const keys[] = {"Sectors=",  "SectorsList=", "J1939Address=",
                                               "ModuleID=", "Function=",    "FirmwareVersion="};
            std::string value = rnd() % 2 ? std::string(1000 + rnd() % 3000, ',')
                                          : "99999999999999999999999999,-1,0x,0x1FFFFFFFF";
            f.insert(f.find('\n') + 1, keys[rnd() % 6] + value + "\n");
            break;
        }
        case 6: // cut short
            f.resize(at);
            break;
        default: // a record's digit changed
            if (!f.empty()) f[at] = "0123456789ABCDEFG"[rnd() % 17];
            break;
        }
    }
    return f;
}

template <typename T> void expectSound(const NumberList<T>& l) {
    ASSERT_LT(strlen(l.text), sizeof l.text);
    EXPECT_LE(l.count, 128);
    EXPECT_EQ(l.list == nullptr, l.count == 0);
}

TEST(OsfFuzzTest, MutatedFilesNeverBreakTheReader) {
    std::mt19937 rnd(20240506);
    std::string dir = makeTempDir();
    int validated = 0, rejected = 0;
    for (int i = 0; i < 1500; ++i) {
        std::string content = mutate(seedFile(rnd), rnd);
        // A new file each time: rewriting one makes the file system flush it.
        std::string path = dir + "/fuzz" + std::to_string(i % 2) + ".hex";
        remove(path.c_str());
        writeFile(path, content);
        isAOsf(path.c_str());
        Osf f;
        f.init(path.c_str());
        ASSERT_LT(strlen(f.firmwareVersion), sizeof f.firmwareVersion);
        ASSERT_LT(strlen(f.releaseDate), sizeof f.releaseDate);
        expectSound(f.sectors);
        expectSound(f.addresses);
        expectSound(f.moduleIds);
        expectSound(f.functions);
        OsfValidation v;
        bool valid = f.validate(&v);
        (valid ? validated : rejected)++;
        unsigned long read = 0;
        bool ended = false;
        while (f.readNextRecord()) {
            ASSERT_LT(++read, 100000u) << "reading does not end";
            const IntelHexRecordData& r = f.record;
            if (valid && !ended) {
                unsigned sum =
                    r.length + (r.address & 0xFF) + (r.address >> 8) + r.type + r.checksum;
                for (int k = 0; k < r.length; ++k)
                    sum += r.data[k];
                ASSERT_EQ(sum & 0xFF, 0u) << "validated, yet record " << read << " is wrong";
                ASSERT_LE(r.length, MaxPgmDataBytes);
                ended = r.type == HexEndOfFile;
            }
        }
        if (valid) {
            // A validated file reads through to its end-of-file record, or to its end.
            EXPECT_TRUE(ended || f.readState() == OsfReadState::EndOfFile) << content;
            EXPECT_GE(read, v.records);
        }
    }
    // Both kinds occur, so both paths were walked.
    EXPECT_GT(validated, 100);
    EXPECT_GT(rejected, 300);
}
} // namespace
