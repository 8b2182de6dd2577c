// Module descriptions: the words of a --module option or of a line of a description file.
#include "modsim/module_description.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr size_t MaxWord = 256;
constexpr int MaxLine = 1024;

const char* const CmdNames[] = {"claim", "version", "mode", "erase", "data", "run", "transfer"};

bool parseNumber(const char* s, uint64_t max, uint64_t* out) {
    if (*s < '0' || *s > '9') return false;
    errno = 0;
    char* end;
    unsigned long long v = strtoull(s, &end, 0);
    if (errno != 0 || *end != '\0' || v > max) return false;
    *out = v;
    return true;
}

template <typename T> bool parseAs(const char* s, uint64_t max, T* out) {
    uint64_t v;
    if (!parseNumber(s, max, &v)) return false;
    *out = static_cast<T>(v);
    return true;
}

// A size in bytes with an optional K or M.
bool parseSize(const char* s, uint32_t* out) {
    char buf[32];
    size_t n = strlen(s);
    if (n == 0 || n >= sizeof buf) return false;
    memcpy(buf, s, n + 1);
    uint64_t scale = 1;
    if (buf[n - 1] == 'K' || buf[n - 1] == 'k') scale = 1024;
    if (buf[n - 1] == 'M' || buf[n - 1] == 'm') scale = 1024 * 1024;
    if (scale != 1) buf[n - 1] = '\0';
    uint64_t v;
    if (!parseNumber(buf, 0xFFFFFFFFu, &v) || v * scale > 0xFFFFFFFFu || v == 0) return false;
    *out = static_cast<uint32_t>(v * scale);
    return true;
}

bool parseVersion(const char* s, SimVersion* v) {
    if (strcmp(s, "none") == 0) {
        v->present = false;
        return true;
    }
    unsigned major, minor, rev, second = 0;
    int used = 0;
    int n = sscanf(s, "%3u.%2u.%3u%n/%5u%n", &major, &minor, &rev, &used, &second, &used);
    if (n < 3 || s[used] != '\0' || major > 654 || minor > 99 || rev > 255 || second > 65535)
        return false;
    *v = SimVersion{true, static_cast<uint16_t>(major * 100 + minor), static_cast<uint16_t>(second),
                    static_cast<uint8_t>(rev)};
    return true;
}

// "SPN.FMI+SPN.FMI..." or "none".
bool parseDtcs(const char* s, SimDtc* out, int* count) {
    *count = 0;
    if (strcmp(s, "none") == 0) return true;
    char buf[200];
    if (strlen(s) >= sizeof buf) return false;
    snprintf(buf, sizeof buf, "%s", s);
    for (char* part = strtok(buf, "+"); part != nullptr; part = strtok(nullptr, "+")) {
        char* dot = strchr(part, '.');
        if (dot == nullptr || *count == ModuleDescription::MaxDtcs) return false;
        *dot = '\0';
        SimDtc& d = out[(*count)++];
        if (!parseAs(part, 0x7FFFF, &d.spn) || !parseAs(dot + 1, 31, &d.fmi)) return false;
    }
    return *count > 0;
}

bool parseName(const char* s, uint8_t* name) {
    if (strlen(s) != 16) return false;
    for (int i = 0; i < 8; ++i) {
        char two[3] = {s[2 * i], s[2 * i + 1], '\0'};
        char* end;
        unsigned long v = strtoul(two, &end, 16);
        if (*end != '\0' || two[0] == '-' || two[0] == '+' || two[0] == ' ') return false;
        name[7 - i] = static_cast<uint8_t>(v);
    }
    return true;
}

bool cmdNamed(const char* s, ModCmd* out) {
    for (int i = 0; i < static_cast<int>(ModCmd::Count); ++i) {
        if (strcmp(s, CmdNames[i]) == 0) {
            *out = static_cast<ModCmd>(i);
            return true;
        }
    }
    return false;
}

// The NAME's fields while a description is read; applied at the end.
struct NameFields {
    bool given = false, raw = false;
    uint32_t identity = 0;
    uint8_t function = 0, industry = 0, vsys = 0, vsysInstance = 0, functionInstance = 0, ecu = 0;
    uint16_t manufacturer = SimMakerManufacturerCode;
    bool aac = false;
};

struct Parse {
    ModuleDescription* desc;
    NameFields name;
    uint32_t flashSize = 0, sectorSize = 0;
    bool layoutGiven = false;
    char* err;
    size_t errLen;

    bool fail(const char* word, const char* why) {
        snprintf(err, errLen, "'%s': %s", word, why);
        return false;
    }

    // 0: not a fault word; 1: taken; -1: a fault word in error.
    int rule(const char* word, const char* key, const char* value, uint32_t nth);
    bool word(char* w);
    bool finish();
};

int Parse::rule(const char* word, const char* key, const char* value, uint32_t nth) {
    struct Form {
        const char* prefix;
        FaultAction action;
        bool needsValue;
        uint64_t max;
        const char* kinds; // allowed kinds, by name, or null for the transfer faults
    };
    static const Form forms[] = {
        {"refuse-", FaultAction::Refuse, true, 255, " mode erase data run "},
        {"ignore-", FaultAction::Ignore, false, 0, " claim version mode erase data run "},
        {"delay-", FaultAction::Delay, true, 600000, " claim version mode erase data run "},
        {"vanish-", FaultAction::Vanish, false, 0, " claim version mode erase data run transfer "},
        {"busoff-", FaultAction::BusOff, false, 0, " claim version mode erase data run transfer "},
        {"hold-cts", FaultAction::HoldCts, true, 100, nullptr},
        {"abort-dt", FaultAction::AbortDt, true, 255, nullptr},
        {"drop-dt", FaultAction::DropDt, true, 255, nullptr},
        {"repeat-dt", FaultAction::RepeatDt, true, 255, nullptr},
    };
    for (const Form& f : forms) {
        size_t plen = strlen(f.prefix);
        if (strncmp(key, f.prefix, plen) != 0) continue;
        ModCmd on = ModCmd::Transfer;
        if (f.kinds != nullptr) {
            char padded[40];
            snprintf(padded, sizeof padded, " %s ", key + plen);
            if (!cmdNamed(key + plen, &on) || strstr(f.kinds, padded) == nullptr) {
                fail(word, "no such fault for this command");
                return -1;
            }
        } else if (key[plen] != '\0') {
            return 0;
        }
        uint64_t v = 0;
        const char* why = nullptr;
        if (f.needsValue ? value == nullptr || !parseNumber(value, f.max, &v) : value != nullptr)
            why = f.needsValue ? "needs a number in range" : "takes no value";
        else if (!desc->addRule(f.action, on, static_cast<uint32_t>(v), nth))
            why = "too many faults";
        if (why != nullptr) {
            fail(word, why);
            return -1;
        }
        return 1;
    }
    return 0;
}

bool Parse::word(char* w) {
    char original[MaxWord];
    snprintf(original, sizeof original, "%s", w);
    uint32_t nth = 0;
    if (char* at = strrchr(w, '@')) {
        if (!parseAs(at + 1, 1000000, &nth) || nth == 0) return fail(original, "bad @N");
        *at = '\0';
    }
    char* value = strchr(w, '=');
    if (value != nullptr) *value++ = '\0';
    const char* key = w;
    int r = rule(original, key, value, nth);
    if (r != 0) return r > 0;
    if (nth != 0) return fail(original, "@N only on faults");
    if (strcmp(key, "silent") == 0 && value == nullptr) {
        desc->silent = true;
        return true;
    }
    if (value == nullptr) return fail(original, "unknown word (KEY=VALUE expected)");

    ModuleDescription& s = *desc;
    bool ok = true;
    if (strcmp(key, "sa") == 0) {
        ok = parseAs(value, 253, &s.address);
    } else if (strcmp(key, "label") == 0) {
        ok = strlen(value) < sizeof s.label;
        if (ok) snprintf(s.label, sizeof s.label, "%s", value);
    } else if (strcmp(key, "name") == 0) {
        ok = parseName(value, s.name);
        name.raw = ok;
    } else if (strcmp(key, "id") == 0) {
        ok = parseAs(value, 0x1FFFFF, &name.identity);
        name.given = true;
    } else if (strcmp(key, "function") == 0) {
        ok = parseAs(value, 255, &name.function);
        name.given = true;
    } else if (strcmp(key, "manufacturer") == 0) {
        ok = parseAs(value, 0x7FF, &name.manufacturer);
        name.given = true;
    } else if (strcmp(key, "industry") == 0) {
        ok = parseAs(value, 7, &name.industry);
        name.given = true;
    } else if (strcmp(key, "vsys") == 0) {
        ok = parseAs(value, 127, &name.vsys);
        name.given = true;
    } else if (strcmp(key, "vsys-instance") == 0) {
        ok = parseAs(value, 15, &name.vsysInstance);
        name.given = true;
    } else if (strcmp(key, "function-instance") == 0) {
        ok = parseAs(value, 31, &name.functionInstance);
        name.given = true;
    } else if (strcmp(key, "ecu") == 0) {
        ok = parseAs(value, 7, &name.ecu);
        name.given = true;
    } else if (strcmp(key, "aac") == 0) {
        ok = parseAs(value, 1, &name.aac);
        name.given = true;
    } else if (strcmp(key, "app") == 0) {
        ok = parseVersion(value, &s.app);
    } else if (strcmp(key, "param") == 0) {
        ok = parseVersion(value, &s.param);
    } else if (strcmp(key, "boot") == 0) {
        ok = parseVersion(value, &s.boot);
    } else if (strcmp(key, "general") == 0) {
        ok = strcmp(value, "255") == 0 || strcmp(value, "0") == 0 || strcmp(value, "none") == 0;
        s.generalAnswerType = strcmp(value, "none") == 0 ? -1 : atoi(value);
    } else if (strcmp(key, "appsw") == 0 || strcmp(key, "paramsw") == 0) {
        bool app = key[0] == 'a';
        bool none = strcmp(value, "none") == 0;
        (app ? s.hasAppSwNum : s.hasParamSwNum) = !none;
        ok = none || parseAs(value, 0xFFFFFFFFu, app ? &s.appSwNum : &s.paramSwNum);
    } else if (strcmp(key, "flash") == 0) {
        ok = parseSize(value, &flashSize);
    } else if (strcmp(key, "sector") == 0) {
        ok = parseSize(value, &sectorSize);
    } else if (strcmp(key, "sectors") == 0) {
        layoutGiven = true;
        s.sectorRunCount = 0;
        for (char* run = strtok(value, "+"); ok && run != nullptr; run = strtok(nullptr, "+")) {
            ModuleDescription::SectorRun r = {1, 0};
            char* star = strchr(run, '*');
            if (star != nullptr) {
                *star = '\0';
                ok = parseAs(run, 4096, &r.count) && r.count > 0;
                run = star + 1;
            }
            ok = ok && parseSize(run, &r.size) &&
                 s.sectorRunCount < ModuleDescription::MaxSectorRuns;
            if (ok) s.sectorRuns[s.sectorRunCount++] = r;
        }
    } else if (strcmp(key, "base") == 0) {
        ok = parseAs(value, 0xFFFFFFFFu, &s.flashBase);
    } else if (strcmp(key, "erased") == 0) {
        ok = parseAs(value, 255, &s.erasedValue);
    } else if (strcmp(key, "fill") == 0) {
        ok = parseAs(value, 255, &s.fill);
    } else if (strcmp(key, "erase-ms") == 0) {
        ok = parseAs(value, 60000, &s.eraseMsPerSector);
    } else if (strcmp(key, "image") == 0) {
        ok = value[0] != '\0' && strlen(value) < sizeof s.imagePath;
        if (ok) snprintf(s.imagePath, sizeof s.imagePath, "%s", value);
    } else if (strcmp(key, "window") == 0) {
        ok = parseAs(value, 255, &s.tpWindow) && s.tpWindow > 0;
    } else if (strcmp(key, "dm1") == 0) {
        ok = parseDtcs(value, s.dtcs, &s.dtcCount);
        s.dm1 = true;
    } else if (strcmp(key, "dm1-lamps") == 0) {
        ok = parseAs(value, 255, &s.dm1Lamps);
    } else if (strcmp(key, "dm1-flash") == 0) {
        ok = parseAs(value, 255, &s.dm1Flash);
    } else if (strcmp(key, "dm1-then") == 0) {
        char* colon = strchr(value, ':');
        ok = colon != nullptr;
        if (ok) *colon = '\0';
        ok = ok && parseAs(value, 3600000, &s.dm1ThenMs) && s.dm1ThenMs > 0 &&
             parseDtcs(colon + 1, s.laterDtcs, &s.laterDtcCount);
    } else if (strcmp(key, "dm1-stop") == 0) {
        ok = parseAs(value, 3600000, &s.dm1StopMs) && s.dm1StopMs > 0;
    } else if (strcmp(key, "send-file") == 0) {
        ok = value[0] != '\0' && strlen(value) < sizeof s.sendFile;
        if (ok) snprintf(s.sendFile, sizeof s.sendFile, "%s", value);
    } else if (strcmp(key, "send-to") == 0) {
        ok = parseAs(value, 253, &s.sendTo);
    } else if (strcmp(key, "send-at") == 0) {
        ok = parseAs(value, 3600000, &s.sendAtMs);
    } else if (strcmp(key, "send-record") == 0) {
        ok = parseAs(value, 255, &s.sendRecord) && s.sendRecord >= 3;
    } else if (strcmp(key, "back") == 0) {
        ok = parseAs(value, 3600000, &s.backAfterMs);
    } else {
        return fail(original, "unknown key");
    }
    return ok || fail(original, "bad value");
}

bool Parse::finish() {
    ModuleDescription& s = *desc;
    if (s.address < 0) {
        snprintf(err, errLen, "sa=ADDR is missing");
        return false;
    }
    if (s.sendFile[0] != '\0' && s.sendTo < 0) {
        snprintf(err, errLen, "send-file= needs send-to=DA");
        return false;
    }
    if (name.raw && name.given) {
        snprintf(err, errLen, "name= and NAME fields together");
        return false;
    }
    if (!name.raw)
        s.setName(name.given ? name.identity : static_cast<uint32_t>(s.address), name.function,
                  name.industry, name.vsys, name.manufacturer, name.functionInstance, name.ecu,
                  name.vsysInstance, name.aac);
    if (flashSize != 0 || sectorSize != 0) {
        uint32_t sector = sectorSize != 0 ? sectorSize : 64 * 1024;
        uint32_t total = flashSize != 0 ? flashSize : sector * 16;
        if (layoutGiven || total % sector != 0) {
            snprintf(err, errLen, "flash= must be a multiple of sector= (and not with sectors=)");
            return false;
        }
        s.sectorRuns[0] = {total / sector, sector};
        s.sectorRunCount = 1;
    }
    uint64_t sectors = 0;
    for (int i = 0; i < s.sectorRunCount; ++i)
        sectors += s.sectorRuns[i].count;
    if (sectors > 4096) {
        snprintf(err, errLen, "more than 4096 sectors");
        return false;
    }
    return true;
}
} // namespace

const char* modCmdName(ModCmd c) {
    return c < ModCmd::Count ? CmdNames[static_cast<int>(c)] : "?";
}

ModuleDescription::ModuleDescription() {
    setName(0, 0, 0, 0, SimMakerManufacturerCode, 0, 0, 0, false);
}

void ModuleDescription::setName(uint32_t identity, uint8_t function, uint8_t industryGroup,
                                uint8_t vehicleSystem, uint16_t manufacturer,
                                uint8_t functionInstance, uint8_t ecuInstance,
                                uint8_t vehicleSystemInstance, bool aac) {
    name[0] = static_cast<uint8_t>(identity);
    name[1] = static_cast<uint8_t>(identity >> 8);
    name[2] = static_cast<uint8_t>((identity >> 16 & 0x1F) | (manufacturer & 7) << 5);
    name[3] = static_cast<uint8_t>(manufacturer >> 3);
    name[4] = static_cast<uint8_t>((ecuInstance & 7) | (functionInstance & 0x1F) << 3);
    name[5] = function;
    name[6] = static_cast<uint8_t>((vehicleSystem & 0x7F) << 1);
    name[7] = static_cast<uint8_t>((vehicleSystemInstance & 15) | (industryGroup & 7) << 4 |
                                   (aac ? 0x80 : 0));
}

uint32_t ModuleDescription::identity() const {
    return name[0] | name[1] << 8 | static_cast<uint32_t>(name[2] & 0x1F) << 16;
}

bool ModuleDescription::addRule(FaultAction action, ModCmd on, uint32_t value, uint32_t nth) {
    if (ruleCount == MaxRules) return false;
    rules[ruleCount++] = {action, on, nth, value};
    return true;
}

bool parseModuleDescription(const char* text, ModuleDescription* out, char* err, size_t errLen) {
    *out = ModuleDescription();
    err[0] = '\0';
    Parse p{out, {}, 0, 0, false, err, errLen};
    const char* c = text;
    while (*c != '\0') {
        size_t skip = strspn(c, " \t\r\n,");
        c += skip;
        size_t len = strcspn(c, " \t\r\n,");
        if (len == 0) break;
        char w[MaxWord];
        if (len >= sizeof w) {
            snprintf(err, errLen, "word too long");
            return false;
        }
        memcpy(w, c, len);
        w[len] = '\0';
        c += len;
        if (!p.word(w)) return false;
    }
    return p.finish();
}

int parseModuleFile(const char* path, ModuleDescription* out, int max, char* err, size_t errLen) {
    FILE* f = fopen(path, "r");
    if (f == nullptr) {
        snprintf(err, errLen, "%s: %s", path, strerror(errno));
        return -1;
    }
    char line[MaxLine];
    int n = 0, lineNo = 0;
    while (fgets(line, sizeof line, f) != nullptr) {
        ++lineNo;
        if (strchr(line, '\n') == nullptr && !feof(f)) {
            snprintf(err, errLen, "%s:%d: line too long", path, lineNo);
            n = -1;
            break;
        }
        line[strcspn(line, "#")] = '\0';
        if (line[strspn(line, " \t\r\n,")] == '\0') continue;
        if (n == max) {
            snprintf(err, errLen, "%s:%d: more than %d modules", path, lineNo, max);
            n = -1;
            break;
        }
        char why[200];
        if (!parseModuleDescription(line, &out[n], why, sizeof why)) {
            snprintf(err, errLen, "%s:%d: %s", path, lineNo, why);
            n = -1;
            break;
        }
        ++n;
    }
    fclose(f);
    return n;
}
