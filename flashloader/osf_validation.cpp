// The validation pass over a software file's records, apart from reading them: a damaged
// file must be refused before a module is erased, not found out halfway through.
#include <cstring>

#include "flashloader/osf.h"

namespace {
// Checks one stripped record line; the decoded record in type and n.
OsfFault checkRecord(const char* s, size_t len, unsigned char* type, unsigned char* n) {
    if (len == 0) return OsfFault::EmptyLine;
    if (s[0] != ':') return OsfFault::NoStartCharacter;
    if (len > MaxHexRecordLine) return OsfFault::LineTooLong;
    unsigned sum = 0;
    for (size_t i = 1; i + 1 < len; i += 2) {
        unsigned char b;
        if (!hexByteAt(s, len, i, &b)) return OsfFault::BadDigit;
        sum += b;
    }
    if (len % 2 == 0) return hexDigit(s[len - 1]) < 0 ? OsfFault::BadDigit : OsfFault::BadLength;
    if (len < HexRecordOverheadChars) return OsfFault::BadLength;
    hexByteAt(s, len, 1, n);
    hexByteAt(s, len, 7, type);
    if (len != HexRecordOverheadChars + 2u * *n) return OsfFault::BadLength;
    if ((sum & 0xFF) != 0) return OsfFault::BadChecksum;
    static const int needed[] = {-1, 0, 2, 4, 2, 4}; // bytes each type must have
    if (*type > HexStartLinearAddress) return OsfFault::BadType;
    if (needed[*type] >= 0 && *n != needed[*type]) return OsfFault::BadTypeLength;
    if (*n > MaxPgmDataBytes) return OsfFault::TooManyBytes;
    return OsfFault::None;
}
} // namespace

const char* osfFaultText(OsfFault fault) {
    switch (fault) {
    case OsfFault::None:
        return "no fault";
    case OsfFault::CannotOpen:
        return "cannot be opened";
    case OsfFault::ReadError:
        return "read error";
    case OsfFault::NoRecords:
        return "no records";
    case OsfFault::NoDataRecords:
        return "no data records";
    case OsfFault::EmptyLine:
        return "empty line among the records";
    case OsfFault::NoStartCharacter:
        return "record does not start with ':'";
    case OsfFault::LineTooLong:
        return "line too long for a record";
    case OsfFault::BadDigit:
        return "not a hexadecimal digit";
    case OsfFault::BadLength:
        return "byte count does not match the line";
    case OsfFault::BadChecksum:
        return "checksum error";
    case OsfFault::BadType:
        return "unknown record type";
    case OsfFault::BadTypeLength:
        return "wrong byte count for the record type";
    case OsfFault::TooManyBytes:
        return "more than 249 data bytes";
    case OsfFault::Changed:
        return "file changed since it was checked";
    }
    return "?";
}

OsfFault osfCheckRecordLine(const char* line, size_t len) {
    unsigned char type = 0, n = 0;
    return checkRecord(line, len, &type, &n);
}

bool OsfLineReader::skipTo(long offset) {
    while (consumed < static_cast<unsigned long>(offset)) {
        if (pos == len && !fill()) return false;
        size_t take = len - pos;
        unsigned long want = static_cast<unsigned long>(offset) - consumed;
        if (take > want) take = want;
        for (const char* p = chunk + pos;
             (p = static_cast<const char*>(memchr(p, '\n', chunk + pos + take - p))); ++p)
            ++lineNo;
        pos += take;
        consumed += take;
    }
    return true;
}

bool OsfLineReader::next(char* line, size_t* lineLen, bool* cut) {
    size_t used = 0;
    *cut = false;
    bool any = false;
    for (;;) {
        if (pos == len && !fill()) break;
        any = true;
        const char* start = chunk + pos;
        const char* nl = static_cast<const char*>(memchr(start, '\n', len - pos));
        size_t take = nl != nullptr ? static_cast<size_t>(nl - start) : len - pos;
        size_t room = OsfLineCap - 1 - used;
        if (take > room) *cut = true;
        memcpy(line + used, start, take < room ? take : room);
        used += take < room ? take : room;
        pos += take;
        consumed += take;
        if (nl != nullptr) {
            ++pos;
            ++consumed;
            break;
        }
    }
    if (!any) return false;
    ++lineNo;
    line[used] = '\0';
    *lineLen = used;
    return true;
}

bool OsfLineReader::fill() {
    pos = 0;
    len = fread(chunk, 1, sizeof chunk, file);
    return len > 0;
}

OsfValidationRun::~OsfValidationRun() {
    stop();
}

void OsfValidationRun::stop() {
    if (file != nullptr) fclose(file);
    file = nullptr;
}

void OsfValidationRun::start(const Osf& osf) {
    stop();
    result = OsfValidation();
    finished = false;
    file = osf.path[0] != '\0' ? fopen(osf.path, "rb") : nullptr;
    if (file == nullptr) {
        result.fault = OsfFault::CannotOpen;
        finish();
        return;
    }
    reader.start(file);
    if (osf.firstRecordPos == OsfNoRecords || !reader.skipTo(osf.firstRecordPos)) {
        result.fault = reader.failed() ? OsfFault::ReadError : OsfFault::NoRecords;
        finish();
    }
}

bool OsfValidationRun::step(unsigned long maxLines) {
    size_t len;
    bool cut;
    for (unsigned long i = 0; !finished && i < maxLines; ++i) {
        if (!reader.next(line, &len, &cut)) {
            finish();
            break;
        }
        result.line = reader.line();
        len = strippedLength(line, len);
        unsigned char type = 0, n = 0;
        result.fault = cut ? OsfFault::LineTooLong : checkRecord(line, len, &type, &n);
        if (result.fault != OsfFault::None) {
            finish();
            break;
        }
        ++result.records;
        if (type == HexData) {
            ++result.dataRecords;
            result.dataBytes += n;
        }
        if (type == HexEndOfFile) finish();
    }
    return finished;
}

void OsfValidationRun::finish() {
    finished = true;
    if (file != nullptr && result.fault == OsfFault::None && reader.failed())
        result.fault = OsfFault::ReadError;
    if (result.fault == OsfFault::None && result.dataRecords == 0) {
        result.fault = result.records == 0 ? OsfFault::NoRecords : OsfFault::NoDataRecords;
        result.line = 0;
    }
    stop();
}

bool Osf::validate(OsfValidation* out) const {
    // Large buffers, one set for every file.
    static OsfValidationRun run;
    run.start(*this);
    while (!run.step(OsfNoRecords)) {
    }
    *out = run.result;
    return run.passed();
}
