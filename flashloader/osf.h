// Software files: a text header saying which modules an image is for and which flash
// sectors it occupies, then the image as Intel-HEX records. isAOsf recognises one; an Osf
// reads its header once, then hands out its records one at a time while a module is
// programmed, and checks whether a module fits.
#pragma once

#include <cstdint>
#include <cstdio>

#include "flashloader/check_states.h"
#include "flashloader/intel_hex.h"
#include "flashloader/number_list.h"

constexpr int OsfPathSize = 256;
constexpr long OsfNoRecords = 0x7FFFFFFF;

// Whether the file's first line carries the marker "[Hex File Information]".
bool isAOsf(const char* path);

// What the last readNextRecord found.
enum class OsfReadState : unsigned char {
    NotStarted, // no record read since the file was (re)opened
    Record,     // a record is in `record` (the end-of-file record among them)
    EndOfFile,  // the file ended: nothing more to read
    ReadError,  // the file could not be opened or read
    Malformed,  // a line that is no record (the file is damaged or changed)
};

// Why a file failed validation.
enum class OsfFault : unsigned char {
    None,
    CannotOpen,
    ReadError,
    NoRecords,        // no record line at all
    NoDataRecords,    // records, but none with data
    EmptyLine,        // a line with nothing on it among the records
    NoStartCharacter, // a record line that does not begin with ':'
    LineTooLong,      // longer than any record can be
    BadDigit,         // a character that is not a hexadecimal digit
    BadLength,        // the line is too short or its byte count does not match its length
    BadChecksum,
    BadType,       // a record type other than 0 to 5
    BadTypeLength, // an end-of-file, address or start record with the wrong byte count
    TooManyBytes,  // a data record of more than MaxPgmDataBytes bytes
    Changed,       // the records read differ from those checked
};
const char* osfFaultText(OsfFault fault);

struct OsfValidation {
    OsfFault fault = OsfFault::None;
    unsigned long line = 0;        // the line (from 1) where the fault lies
    unsigned long records = 0;     // well-formed records up to the fault or the end
    unsigned long dataRecords = 0; // records of type 0 among them
    unsigned long dataBytes = 0;
};

// Whether one stripped line is a record the validation accepts.
OsfFault osfCheckRecordLine(const char* line, size_t len);

constexpr size_t OsfChunkSize = 1 << 16;
constexpr size_t OsfLineCap = 2048;

// Lines of a file read in large chunks; counts them from the start of the file.
class OsfLineReader {
public:
    void start(FILE* f) {
        file = f;
        pos = len = 0;
        consumed = lineNo = 0;
    }
    // Skips to byte offset, counting the lines it passes.
    bool skipTo(long offset);
    // The next line without its line feed, cut at OsfLineCap - 1 characters (*cut set);
    // false at the end of the file.
    bool next(char* line, size_t* lineLen, bool* cut);
    unsigned long line() const { return lineNo; }
    bool failed() const { return ferror(file) != 0; }

private:
    FILE* file = nullptr;
    char chunk[OsfChunkSize];
    size_t pos = 0, len = 0;
    unsigned long consumed = 0;
    unsigned long lineNo = 0;

    bool fill();
};

class Osf;

// The validation pass in slices: start, then step until it says it has finished, so that a
// slow processor keeps serving the bus and the keypad while a large file is checked.
class OsfValidationRun {
public:
    OsfValidation result;

    OsfValidationRun() = default;
    OsfValidationRun(const OsfValidationRun&) = delete;
    OsfValidationRun& operator=(const OsfValidationRun&) = delete;
    ~OsfValidationRun();

    void start(const Osf& osf);
    // Checks at most maxLines more lines; true once the pass has finished.
    bool step(unsigned long maxLines);
    bool done() const { return finished; }
    bool passed() const { return finished && result.fault == OsfFault::None; }
    // Ends the pass early (the file is closed).
    void stop();

private:
    FILE* file = nullptr;
    OsfLineReader reader;
    char line[OsfLineCap];
    bool finished = true;

    void finish();
};

class Osf {
public:
    FILE* file = nullptr; // open only while records are being read
    long firstRecordPos = OsfNoRecords;
    char path[OsfPathSize] = {};
    unsigned char dataBuf[256] = {};
    char firmwareVersion[16] = {};
    char releaseDate[64] = {};
    NumberList<unsigned long> sectors;
    NumberList<unsigned char> addresses;
    NumberList<unsigned long> moduleIds;
    NumberList<unsigned char> functions;
    IntelHexRecordData record;
    unsigned long firstRecordLine = 0;   // the line (from 1) of the first record
    unsigned long recordLine = 0;        // the line of the record last read
    OsfFault readFault = OsfFault::None; // why the last read gave no record

    Osf();
    Osf(const Osf&) = delete;
    Osf& operator=(const Osf&) = delete;
    ~Osf();

    // Reads the header of the file at path. A path that does not fit is not taken (the
    // file then cannot be opened); so is a file that cannot be opened. Leaves it closed.
    void init(const char* path);
    // The next record into `record`; false at the end of the file, on a read error or on a
    // malformed line, which readState() then tells apart (readFault and recordLine say
    // what and where).
    bool readNextRecord();
    OsfReadState readState() const { return state; }
    // Decodes one record line into `record` (the checksum is taken as written).
    bool processRecord(const char* line);
    // Closes the file; the next readNextRecord starts again at the first record.
    void reset();

    // Reads the records from the first up to the first end-of-file record (what follows it
    // is never sent, so it is not judged) and checks each line: a well-formed record with
    // a correct checksum, type 0 to 5, the byte count its type needs, at most
    // MaxPgmDataBytes data bytes. There must be at least one data record. Independent of
    // the reading position. True when the file passes; out holds the figures, or the fault
    // and the line where it lies.
    bool validate(OsfValidation* out) const;

    CheckStates checkAddr(unsigned char address) const { return addresses.isInList(address); }
    CheckStates checkId(unsigned long identity) const { return moduleIds.isInList(identity); }
    CheckStates checkFunction(unsigned char function) const { return functions.isInList(function); }

private:
    OsfReadState state = OsfReadState::NotStarted;

    void storeHeaderValue(const char* key, const char* value);
};
