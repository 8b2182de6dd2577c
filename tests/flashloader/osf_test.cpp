// Software files: recognition, header keys and number lists, record lines, the reading
// states, and the validation pass with the line of the first fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flashloader/osf.h"
#include "tests/support/program_runner.h"

namespace {
std::string dir() {
    static std::string d = makeTempDir();
    return d;
}

std::string fileWith(const std::string& content, const char* name = "f.hex") {
    std::string path = dir() + "/" + name;
    writeFile(path, content);
    return path;
}

const char* const Header = "[Hex File Information]\nFirmwareVersion=1.2.3\n";
const char* const Good = ":0400100001020304E2\n"; // 4 bytes at 0x0010
const char* const Eof = ":00000001FF\n";

template <typename T> std::vector<unsigned long> entries(const NumberList<T>& l) {
    return std::vector<unsigned long>(l.list, l.list + l.count);
}

TEST(OsfTest, FirstLineMarker) {
    const struct {
        const char* firstLine;
        bool isOsf;
    } cases[] = {
        {"[Hex File Information]\n", true},    {"junk [Hex File Information] more\n", true},
        {"[Hex File Information]", true}, // no line end
        {"[Hex File Information ]\n", false},  {"[[Hex File Information]\n", false},
        {"\n[Hex File Information]\n", false}, {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstLine);
        EXPECT_EQ(isAOsf(fileWith(c.firstLine).c_str()), c.isOsf);
    }
    EXPECT_FALSE(isAOsf((dir() + "/missing").c_str()));
    // The marker must lie within the first 255 characters.
    EXPECT_FALSE(isAOsf(fileWith(std::string(250, ' ') + "[Hex File Information]\n").c_str()));
}

TEST(OsfTest, HeaderKeysAndLists) {
    Osf f;
    f.init(fileWith(std::string(Header) +
                    "ReleaseDate=2024-05-06\r\n"
                    "SectorsList=7\n"
                    "Sectors=0\n" // a mask of 0 leaves the list
                    "J1939Address=0x80, 129,0201\n"
                    "==Function=300=ignored\n" // leading '=' skipped, value up to the next '='
                    "ModuleID=\n"              // no value: ignored
                    "Unknown=5\nno equals sign here\n"
                    "ModuleID=1,,2, ,0x1FFFFFFFF\n"
                    "FirmwareVersion=12345678901234567890\n" // later wins, cut to 15
                    "sectorslist=1\n" +
                    Good + "J1939Address=1\n" + Eof)
               .c_str());
    EXPECT_STREQ(f.firmwareVersion, "123456789012345");
    EXPECT_STREQ(f.releaseDate, "2024-05-06"); // shown texts carry no line end
    EXPECT_EQ(entries(f.sectors), (std::vector<unsigned long>{7}));
    EXPECT_EQ(entries(f.addresses), (std::vector<unsigned long>{128, 129, 129}));
    EXPECT_STREQ(f.addresses.text, "0x80, 129,0201");
    EXPECT_EQ(entries(f.functions), (std::vector<unsigned long>{44}));
    EXPECT_EQ(entries(f.moduleIds), (std::vector<unsigned long>{1, 2, 0, 0xFFFFFFFF}));
    EXPECT_EQ(f.checkAddr(129), CheckPass);
    EXPECT_EQ(f.checkAddr(1), CheckFail); // header lines after the first record are not read
    EXPECT_EQ(f.checkFunction(44), CheckPass);
    EXPECT_EQ(f.checkId(3), CheckFail);

    Osf g;
    g.init(fileWith(std::string(Header) + "SectorsList=1\nSectors=0x13\n" + Good).c_str());
    EXPECT_EQ(entries(g.sectors), (std::vector<unsigned long>{0, 1, 4}));
    EXPECT_STREQ(g.sectors.text, "0,1,4");
    EXPECT_EQ(g.checkId(12345), CheckNoRestriction);
    EXPECT_EQ(g.checkAddr(0), CheckNoRestriction);
    EXPECT_EQ(g.firstRecordPos, static_cast<long>(strlen(Header) + 27));

    Osf none;
    none.init(fileWith(Header).c_str());
    EXPECT_EQ(none.firstRecordPos, OsfNoRecords);
    EXPECT_FALSE(none.readNextRecord());
    EXPECT_EQ(none.readState(), OsfReadState::EndOfFile);
}

TEST(OsfTest, LongValuesAreCutBeforeParsing) {
    std::string list;
    for (int i = 0; i < 300; ++i)
        list += "1,";
    Osf f;
    f.init(fileWith(std::string(Header) + "SectorsList=" + list + "\nSectors=0xFFFFFFFF\n" +
                    "J1939Address=" + std::string(300, ',') + "5\n" + Good)
               .c_str());
    EXPECT_EQ(f.sectors.count, 32); // the mask's list came later
    EXPECT_STREQ(f.sectors.text + strlen(f.sectors.text) - 6, ",30,31");
    EXPECT_EQ(f.addresses.count, 0); // the 5 lay past 255 characters
    Osf g;
    g.init(fileWith(std::string(Header) + "SectorsList=" + list + "\n" + Good).c_str());
    EXPECT_EQ(g.sectors.count, 128);
    EXPECT_EQ(strlen(g.sectors.text), 255u);
}

TEST(OsfTest, RecordLines) {
    const struct {
        const char* line;
        bool ok;
        unsigned length = 0, address = 0, type = 0, checksum = 0;
        std::vector<uint8_t> data = {};
    } cases[] = {
        {":0400100001020304E2", true, 4, 0x1000, 0, 0xE2, {1, 2, 3, 4}},
        {":00000001FF", true, 0, 0, 1, 0xFF, {}},
        {"x020000040800F2", true, 2, 0, 4, 0xF2, {8, 0}}, // start character not checked
        {":0400100001020304E2AB", true, 4, 0x1000, 0, 0xE2, {1, 2, 3, 4}}, // tail ignored
        {":0400100001020304E", false},                                     // even length
        {":04001000", false},           // 9 characters: no checksum
        {":0400100001020304", false},   // checksum past the line
        {":0400100001G20304E2", false}, // not a digit
        {"", false},
        {":FF00000000", false}, // 255 bytes announced, none there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Osf f;
        ASSERT_EQ(f.processRecord(c.line), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(f.record.length, c.length);
        EXPECT_EQ(f.record.address, c.address);
        EXPECT_EQ(f.record.type, c.type);
        EXPECT_EQ(f.record.checksum, c.checksum);
        EXPECT_EQ(std::vector<uint8_t>(f.record.data, f.record.data + f.record.length), c.data);
    }
    Osf f;
    std::string longest = ":FF000000" + std::string(510, 'A') + "00"; // 521 characters
    EXPECT_TRUE(f.processRecord(longest.c_str()));
    EXPECT_EQ(f.record.length, 255);
    EXPECT_FALSE(f.processRecord((longest + "00").c_str()));
}

TEST(OsfTest, ReadingStatesTellTheEndFromDamage) {
    const struct {
        std::string records;
        int good;
        OsfReadState then;
    } cases[] = {
        {std::string(Good) + Eof, 2, OsfReadState::EndOfFile},
        {std::string(Good) + Good, 2, OsfReadState::EndOfFile}, // no end-of-file record
        {std::string(Good) + ":0400\n" + Good, 1, OsfReadState::Malformed},
        {std::string(Good) + "\n" + Good, 1, OsfReadState::Malformed},
        {":" + std::string(3000, '0') + "\n" + Good, 0, OsfReadState::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records.substr(0, 60));
        Osf f;
        f.init(fileWith(Header + c.records).c_str());
        EXPECT_EQ(f.readState(), OsfReadState::NotStarted);
        for (int i = 0; i < c.good; ++i) {
            ASSERT_TRUE(f.readNextRecord());
            EXPECT_EQ(f.readState(), OsfReadState::Record);
        }
        EXPECT_FALSE(f.readNextRecord());
        EXPECT_EQ(f.readState(), c.then);
        // reset starts again at the first record.
        f.reset();
        if (c.good > 0) {
            ASSERT_TRUE(f.readNextRecord());
            EXPECT_EQ(f.record.address, 0x1000u);
        }
    }
    Osf gone;
    std::string path = fileWith(std::string(Header) + Good, "gone.hex");
    gone.init(path.c_str());
    remove(path.c_str());
    EXPECT_FALSE(gone.readNextRecord());
    EXPECT_EQ(gone.readState(), OsfReadState::ReadError);
    // A path that does not fit is not taken, rather than cut to another file's name.
    Osf tooLong;
    std::string longPath = dir() + "/" + std::string(300, 'x');
    tooLong.init(longPath.c_str());
    EXPECT_STREQ(tooLong.path, "");
    EXPECT_FALSE(tooLong.readNextRecord());
    EXPECT_EQ(tooLong.readState(), OsfReadState::ReadError);
}

TEST(OsfTest, ValidationFindsTheFirstBadLine) {
    // The header takes lines 1 and 2; records start on line 3.
    const struct {
        std::string records;
        OsfFault fault;
        unsigned long line;
    } cases[] = {
        {std::string(Good) + Eof, OsfFault::None, 4},
        {std::string(Good) + Eof + "garbage after the end\n", OsfFault::None, 4},
        {":0400100001020304E2\r\n:00000001FF\r\n", OsfFault::None, 4},
        {std::string(Good) + Good, OsfFault::None, 4}, // no end-of-file record
        {std::string(Good) + ":0400100001020304E3\n" + Eof, OsfFault::BadChecksum, 4},
        {std::string(Good) + "\n" + Eof, OsfFault::EmptyLine, 4},
        {std::string(Good) + Good + "\r\n", OsfFault::EmptyLine, 5},
        {std::string(Good) + " " + Good, OsfFault::NoStartCharacter, 4},
        {":04001000010G0304E2\n", OsfFault::BadDigit, 3},
        {":0500100001020304E2\n", OsfFault::BadLength, 3},
        {":0400100001020304E2AB\n", OsfFault::BadLength, 3},
        {":00000006FA\n", OsfFault::BadType, 3},
        {":0100000400FB\n", OsfFault::BadTypeLength, 3},
        {":" + std::string(5000, '0') + "\n" + Eof, OsfFault::LineTooLong, 3},
        {Eof, OsfFault::NoDataRecords, 0},
        {"", OsfFault::NoRecords, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records.substr(0, 60));
        Osf f;
        f.init(fileWith(Header + c.records).c_str());
        OsfValidation v;
        EXPECT_EQ(f.validate(&v), c.fault == OsfFault::None);
        EXPECT_EQ(v.fault, c.fault) << osfFaultText(v.fault);
        EXPECT_EQ(v.line, c.line);
    }
    // 250 data bytes do not fit the program-data command; 249 do.
    for (int n : {249, 250}) {
        std::string line = ":" + std::string(1, "0123456789ABCDEF"[n >> 4]) +
                           "0123456789ABCDEF"[n & 15] + "000000" + std::string(2 * n, '0');
        char cs[3];
        snprintf(cs, sizeof cs, "%02X", (0x100 - n) & 0xFF);
        Osf f;
        f.init(fileWith(Header + line + cs + "\n").c_str());
        OsfValidation v;
        EXPECT_EQ(f.validate(&v), n == 249);
        EXPECT_EQ(v.dataBytes, n == 249 ? 249u : 0u);
    }
    Osf missing;
    missing.init((dir() + "/nothing").c_str());
    OsfValidation v;
    EXPECT_FALSE(missing.validate(&v));
    EXPECT_EQ(v.fault, OsfFault::CannotOpen);
}

TEST(OsfTest, ValidationCountsAndLeavesTheReadingAlone) {
    Osf f;
    f.init(
        fileWith(std::string(Header) + "\n\n" + ":020000040001F9\n" + Good + Good + Eof).c_str());
    ASSERT_TRUE(f.readNextRecord());
    OsfValidation v;
    ASSERT_TRUE(f.validate(&v));
    EXPECT_EQ(v.records, 4u);
    EXPECT_EQ(v.dataRecords, 2u);
    EXPECT_EQ(v.dataBytes, 8u);
    EXPECT_EQ(v.line, 8u);
    ASSERT_TRUE(f.readNextRecord());
    EXPECT_EQ(f.record.type, HexData); // the second record, as before validation
}
} // namespace
