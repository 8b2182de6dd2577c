// Fault-code table files: a header line, "//" comments, the entry count, then one entry a
// line, "(SPN) FMI TYPE CODE" ("[SPN]" for the display's local numbers). Anything that does
// not fit is left out, so that a damaged file loses only its damaged lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "j1939/j1939_dm1.h"
#include "j1939/j1939_field.h"

namespace {
constexpr char TableHeader[] = "ECM Fault Table:";
constexpr int LineChars = 124;
constexpr int TypeWordChars = 15;
constexpr int MaxFMI = 31;
constexpr long MaxSPN = 0x7FFFF;
constexpr uint32_t TableKeyFMIBits = 5;

// The next line (without its end); false at the end of the file. A line longer than a
// table line is read to its end and comes back empty, so that it does not scan.
bool readLine(FILE* f, char (&line)[LineChars + 2]) {
    if (fgets(line, sizeof line, f) == nullptr) return false;
    size_t n = strlen(line);
    if (n > 0 && line[n - 1] == '\n') {
        line[n - 1] = 0;
        return true;
    }
    if (n <= static_cast<size_t>(LineChars)) return true; // the last line, without an end
    int c;
    while ((c = fgetc(f)) != EOF && c != '\n') {
    }
    line[0] = 0;
    return true;
}

bool isComment(const char* line) {
    return strncmp(line, "//", 2) == 0;
}

uint32_t typeFromWord(const char* word) {
    if (word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        int v = 0;
        return sscanf(word, "%i", &v) == 1 ? static_cast<uint32_t>(v) : 0;
    }
    switch (word[0]) {
    case 'A':
        return FaultTableTypeA;
    case 'N':
        return FaultTableTypeN;
    case 'R':
        return FaultTableTypeR;
    default:
        return 0;
    }
}

bool parseEntry(const char* line, J1939faultCodeTable* e) {
    char open, close;
    int spn, fmi, code;
    char word[TypeWordChars + 1];
    if (sscanf(line, "%c%d%c %d %15s %d", &open, &spn, &close, &fmi, word, &code) != 6)
        return false;
    long number = spn;
    if (open == '[') number += LocalSPNbase;
    if (spn < 0 || number > MaxSPN || fmi < 0 || fmi > MaxFMI) return false;
    e->key = static_cast<uint32_t>(number) << TableKeyFMIBits | static_cast<uint32_t>(fmi);
    e->type = typeFromWord(word);
    e->code = static_cast<uint32_t>(code);
    return true;
}

int byKey(const void* a, const void* b) {
    uint32_t ka = static_cast<const J1939faultCodeTable*>(a)->key;
    uint32_t kb = static_cast<const J1939faultCodeTable*>(b)->key;
    return ka < kb ? -1 : ka > kb ? 1 : 0;
}
} // namespace

J1939faultCodeTable* readFaultTableFile(const char* fileName, uint32_t* count) {
    FILE* f = fopen(fileName, "r");
    if (f == nullptr) {
        printf("loadFaultTable: cannot open %s\n", fileName);
        return nullptr;
    }
    char line[LineChars + 2];
    if (!readLine(f, line) || strncmp(line, TableHeader, strlen(TableHeader)) != 0) {
        printf("loadFaultTable: %s is not a fault table\n", fileName);
        fclose(f);
        return nullptr;
    }
    bool gotLine;
    while ((gotLine = readLine(f, line)) && isComment(line)) {
    }
    int announced = 0;
    if (!gotLine || sscanf(line, "%d", &announced) != 1 || announced < 0 ||
        announced > MaxFaultTableEntries) {
        printf("loadFaultTable: %s: bad entry count\n", fileName);
        fclose(f);
        return nullptr;
    }
    J1939faultCodeTable* table = new J1939faultCodeTable[announced + 1];
    int n = 0;
    for (int i = 0; i < announced && readLine(f, line); ++i) {
        if (parseEntry(line, &table[n]))
            ++n;
        else
            printf("loadFaultTable: %s: entry %d ignored\n", fileName, i + 1);
    }
    fclose(f);
    // Lookups search by key; a hand-edited file may list them in any order.
    qsort(table, static_cast<size_t>(n), sizeof *table, byKey);
    table[n] = {0, 0xFFFFFFFF, 0};
    *count = static_cast<uint32_t>(n);
    return table;
}
