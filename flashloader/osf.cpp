// Software files: recognition, header, records.
#include "flashloader/osf.h"

#include <cstring>

namespace {
constexpr int AsciiBufSize = 2048;
constexpr int IsAOsfLineSize = 256;
constexpr int ValueTextMax = 255;
constexpr size_t MinRecordBytes = 5;   // count, two address bytes, type, checksum
constexpr size_t MaxRecordBytes = 260; // with 255 data bytes
constexpr char Marker[] = "Hex File Information";

// Shared by every Osf: one line of a header or of the records.
char asciiBuf[AsciiBufSize];
} // namespace

bool isAOsf(const char* path) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    char line[IsAOsfLineSize];
    bool read = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    if (!read) return false;
    const char* open = strchr(line, '[');
    const char* close = open != nullptr ? strchr(open + 1, ']') : nullptr;
    return close != nullptr && static_cast<size_t>(close - open - 1) == sizeof Marker - 1 &&
           memcmp(open + 1, Marker, sizeof Marker - 1) == 0;
}

Osf::Osf() {
    record.data = dataBuf;
}

Osf::~Osf() {
    reset();
}

void Osf::storeHeaderValue(const char* key, const char* value) {
    if (strcmp(key, "FirmwareVersion") == 0)
        snprintf(firmwareVersion, sizeof firmwareVersion, "%s", value);
    else if (strcmp(key, "ReleaseDate") == 0)
        snprintf(releaseDate, sizeof releaseDate, "%s", value);
    else if (strcmp(key, "Sectors") == 0)
        sectors.createFromBitmask(value);
    else if (strcmp(key, "SectorsList") == 0)
        sectors.createFromList(value);
    else if (strcmp(key, "J1939Address") == 0)
        addresses.createFromList(value);
    else if (strcmp(key, "ModuleID") == 0)
        moduleIds.createFromList(value);
    else if (strcmp(key, "Function") == 0)
        functions.createFromList(value);
}

void Osf::init(const char* p) {
    reset();
    record.data = dataBuf;
    firstRecordPos = OsfNoRecords;
    // A cut path could name another file: a path that does not fit is not taken.
    size_t len = strlen(p);
    if (len >= sizeof path) {
        path[0] = '\0';
        return;
    }
    memcpy(path, p, len + 1);
    firstRecordLine = 0;
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return;
    bool lineStart = true;
    for (;;) {
        long at = ftell(f);
        if (fgets(asciiBuf, sizeof asciiBuf, f) == nullptr) break;
        // A line longer than the buffer comes in pieces: count it once.
        if (lineStart) ++firstRecordLine;
        lineStart = strchr(asciiBuf, '\n') != nullptr;
        if (asciiBuf[0] == ':') {
            firstRecordPos = at;
            break;
        }
        char* key = asciiBuf;
        while (*key == '=')
            ++key;
        char* eq = strchr(key, '=');
        if (eq == nullptr) continue;
        *eq = '\0';
        char* value = eq + 1;
        // The line end is not part of the value: shown texts would carry it as a line break.
        value[strcspn(value, "=\r\n")] = '\0';
        if (*value == '\0') continue;
        if (strlen(value) > ValueTextMax) value[ValueTextMax] = '\0';
        storeHeaderValue(key, value);
    }
    fclose(f);
}

void Osf::reset() {
    if (file != nullptr) fclose(file);
    file = nullptr;
    state = OsfReadState::NotStarted;
}

bool Osf::readNextRecord() {
    readFault = OsfFault::None;
    if (file == nullptr) {
        recordLine = firstRecordLine > 0 ? firstRecordLine - 1 : 0;
        file = path[0] != '\0' ? fopen(path, "rb") : nullptr;
        if (file == nullptr || fseek(file, firstRecordPos, SEEK_SET) != 0) {
            state = OsfReadState::ReadError;
            readFault = file == nullptr ? OsfFault::CannotOpen : OsfFault::NoRecords;
            return false;
        }
    }
    if (feof(file) || fgets(asciiBuf, sizeof asciiBuf, file) == nullptr) {
        state = ferror(file) ? OsfReadState::ReadError : OsfReadState::EndOfFile;
        if (state == OsfReadState::ReadError) readFault = OsfFault::ReadError;
        return false;
    }
    ++recordLine;
    size_t len = strlen(asciiBuf);
    bool whole = len > 0 && asciiBuf[len - 1] == '\n';
    asciiBuf[strippedLength(asciiBuf, len)] = '\0';
    bool ok = whole || feof(file) ? processRecord(asciiBuf) : false;
    state = ok ? OsfReadState::Record : OsfReadState::Malformed;
    if (!ok) {
        readFault = whole || feof(file) ? osfCheckRecordLine(asciiBuf, strlen(asciiBuf))
                                        : OsfFault::LineTooLong;
        // processRecord is laxer than the check: never report a refused line as sound.
        if (readFault == OsfFault::None) readFault = OsfFault::BadLength;
    }
    return ok;
}

bool Osf::processRecord(const char* line) {
    size_t len = strlen(line);
    unsigned char type, n, first, second, checksum;
    if (!hexByteAt(line, len, 7, &type)) return false;
    if (len % 2 == 0) return false;
    size_t bytes = (len - 1) / 2;
    if (bytes < MinRecordBytes || bytes > MaxRecordBytes) return false;
    if (!hexByteAt(line, len, 1, &n) || !hexByteAt(line, len, 3, &first) ||
        !hexByteAt(line, len, 5, &second) || !hexByteAt(line, len, 9 + 2u * n, &checksum))
        return false;
    unsigned char data[255];
    for (size_t i = 0; i < n; ++i)
        if (!hexByteAt(line, len, 9 + 2 * i, &data[i])) return false;
    memcpy(dataBuf, data, n);
    record.data = dataBuf;
    record.length = n;
    record.address = first | static_cast<unsigned long>(second) << 8;
    record.type = type;
    record.checksum = checksum;
    return true;
}
