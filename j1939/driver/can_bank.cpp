// Which register set the board's CAN window shows. The probe tells the controller from the
// CPLD and other sets by how registers 0, 1, 31 and 63 read and take writes.
#include <cstdio>

#include "j1939/driver/can_driver.h"
#include "platform/can_regs.h"

namespace {
constexpr unsigned ProbeReg = 1;
constexpr unsigned ClockDividerReg = 31;
constexpr unsigned MirrorReg = 63;
constexpr unsigned char CannotTell = 3;
constexpr int BankSelectAttempts = 10;

unsigned char probeCode() {
    unsigned char m = _readCANreg(ProbeReg);
    _writeCANreg(ProbeReg, static_cast<unsigned char>((m ^ 0xE0) & 0xE0));
    if (_readCANreg(ProbeReg) != m) {
        _writeCANreg(ProbeReg, m); // a plain register: put it back
        return 0xE2;
    }
    if (m != 0x00 && m != 0xFF && (m & 0xE0) != 0xA0) return 2;

    unsigned char mod = _readCANreg(0);
    unsigned char cdr = _readCANreg(ClockDividerReg);
    unsigned char r63 = _readCANreg(MirrorReg);
    _writeCANreg(ClockDividerReg, static_cast<unsigned char>(cdr ^ 7));
    unsigned char cdr2 = _readCANreg(ClockDividerReg);
    _writeCANreg(ClockDividerReg, cdr);

    if (cdr != r63) {
        if (cdr2 == cdr) return 2;
        return (mod & 1) ? 0xD0 : 0xF0;
    }
    if (cdr2 == cdr) return r63 != 0 ? 0xA1 : 2;
    if ((mod & 0xE1) == 0x01) return 0xD0;
    if ((mod & 0xE1) == 0x00) return 0xF0;
    if ((mod & 0xA1) == 0x21) {
        _readCANreg(ClockDividerReg);
        _writeCANreg(ClockDividerReg, 0xC7);
        if (_readCANreg(MirrorReg) != 0) return 0xB0;
        _writeCANreg(MirrorReg, 1);
        if (_readCANreg(MirrorReg) != 0) {
            _writeCANreg(MirrorReg, 0);
            return 0xB0;
        }
        return 0xB2;
    }
    if ((mod & 0xA1) == 0x20) {
        _readCANreg(ClockDividerReg);
        _writeCANreg(ClockDividerReg, 0xC7);
        unsigned char x = _readCANreg(ClockDividerReg) == 0xC0 ? 0xC1 : 0xC0;
        _writeCANreg(ClockDividerReg, x);
        if (_readCANreg(ClockDividerReg) == x) {
            _writeCANreg(ClockDividerReg, 0xC7);
            return 0xC0;
        }
        return 0xC2;
    }
    return CannotTell;
}
} // namespace

unsigned char determineCANbank(char* caseLetter) {
    unsigned char code = probeCode();
    char letter;
    if (code == CannotTell)
        letter = '?';
    else if (code == 2)
        letter = 'g';
    else
        letter = static_cast<char>((code >> 4) + 'W');
    if (caseLetter != nullptr) *caseLetter = letter;
    return code & 3;
}

void setCAN_BANK(unsigned char bank, unsigned char expected) {
    char c;
    unsigned char now = determineCANbank(&c);
    if (now != expected)
        printf("set CAN bank %d -- expecting %d but is %d (case %c)\n", bank, expected, now, c);
    for (int i = 0; i < BankSelectAttempts && now != bank; ++i) {
        _writeCANbankReg(bank);
        now = determineCANbank(&c);
        if (now != bank) printf("set CAN bank %d -- but got %d (case %c)\n", bank, now, c);
    }
}
