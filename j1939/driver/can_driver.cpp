// SJA1000 driver: reset and start, acceptance filter, receive hook, transmit FIFO and the
// health machine.
#include "j1939/driver/can_driver.h"

#include <cstdio>

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "platform/can_regs.h"
#include "platform/platform.h"

CAN_TxFIFOslot CAN_TxFIFO[CAN_TxFIFOsize];
uint8_t txFIFOput = 0, txFIFOget = 0, txFIFOgetTxd = 0;
uint8_t txFIFOnumToTx = 0, txFIFOnumTxd = 0;
CAN_RxQueue EmulatedRxFIFO = {nullptr, nullptr};
int CAN_BusState = 0;
bool CAN_RxOK = true, CAN_TxOK = true;
int SJA1000_dataOverRunCount = 0;
int SJA1000_remoteFrameCount = 0;
bool basicCANdriverIsHW_RxAllowed = true;

namespace {
uint32_t savedCode = 0, savedMask = 0xFFFFFFFFu;

constexpr int ModeWriteAttempts = 11;
constexpr unsigned char CDR_PeliCANbypassDiv = 0xC7; // PeliCAN, comparator bypass, clock/1
constexpr unsigned char MOD_ResetSingleFilter = 0x09;
constexpr unsigned char MOD_RunSingleFilter = 0x08;
// 8 time quanta of 6 controller clocks: sample point after 5, SJW 1.
constexpr unsigned char BTR0_Value = 0x02;
constexpr unsigned char BTR1_Value = 0x23;
constexpr unsigned char OCR_Value = 0xDA;
constexpr unsigned char ErrorPassiveLimit = 128;
constexpr unsigned char RecoveredLimit = 120;

bool inResetMode() {
    return (_readCANreg(SJA_MOD) & SJA_MOD_RM) != 0;
}

uint8_t nextSlot(uint8_t i) {
    return static_cast<uint8_t>((i + 1) % CAN_TxFIFOsize);
}

// Reads the frame at the head of the controller's receive FIFO into f and releases it.
bool getRxMsgFromHW_FIFO(CANframe* f) {
    if (inResetMode()) {
        basicCANdriverBusOK();
        return false;
    }
    unsigned char info = _readCANreg(SJA_FRAME);
    uint8_t dlc = info & 0x0F;
    f->extended = (info & SJA_FI_FF) ? 1 : 0;
    unsigned dataReg;
    if (f->extended) {
        f->id = static_cast<uint32_t>(_readCANreg(17)) << 21 |
                static_cast<uint32_t>(_readCANreg(18)) << 13 |
                static_cast<uint32_t>(_readCANreg(19)) << 5 | _readCANreg(20) >> 3;
        dataReg = 21;
    } else {
        f->id = static_cast<uint32_t>(_readCANreg(17)) << 3 | _readCANreg(18) >> 5;
        dataReg = 19;
    }
    // A data length code above 8 is legal on the wire but carries 8 bytes at most, and a
    // remote frame carries no data at all (J1939 sends none): neither is delivered, though
    // the buffer is still released below.
    bool remote = (info & SJA_FI_RTR) != 0;
    if (remote) ++SJA1000_remoteFrameCount;
    bool deliverable = dlc <= 8 && !remote;
    if (deliverable) {
        f->dlc = dlc;
        for (unsigned i = 0; i < dlc; ++i)
            f->data[i] = _readCANreg(dataReg + i);
    }
    if (inResetMode()) return false;
    unsigned char sr = _readCANreg(SJA_SR);
    _writeCANreg(SJA_CMR, SJA_CMR_RRB | SJA_CMR_CDO);
    if (sr & SJA_SR_DOS) ++SJA1000_dataOverRunCount;
    return deliverable;
}

void clearOkFlags() {
    CAN_RxOK = false;
    CAN_TxOK = false;
}

void writeFilterBytes(unsigned firstReg, uint32_t bits, bool rtrBit) {
    _writeCANreg(firstReg, static_cast<unsigned char>(bits >> 21));
    _writeCANreg(firstReg + 1, static_cast<unsigned char>(bits >> 13));
    _writeCANreg(firstReg + 2, static_cast<unsigned char>(bits >> 5));
    _writeCANreg(firstReg + 3,
                 static_cast<unsigned char>((bits & 0x1F) << 3 | (rtrBit ? 0x04 : 0) | 0x03));
}
} // namespace

void basicCANdriverReset() {
    int cnt = 0;
    do {
        _writeCANreg(SJA_MOD, SJA_MOD_RM);
        ++cnt;
    } while (!inResetMode() && cnt < ModeWriteAttempts);
    _writeCANreg(SJA_CDR, CDR_PeliCANbypassDiv);
    _writeCANreg(SJA_MOD, MOD_ResetSingleFilter);
    if (cnt > 2) printf("basicCANdriverReset cnt=%d\n", cnt);
}

void basicCANdriverUnreset() {
    int cnt = 0;
    do {
        _writeCANreg(SJA_MOD, MOD_RunSingleFilter);
        ++cnt;
    } while (inResetMode() && cnt < ModeWriteAttempts);
    if (cnt > 1) printf("basicCANdriverUnreset cnt=%d\n", cnt);
}

void writeCAN_RxFilter(uint32_t code, uint32_t mask, unsigned rtrBits) {
    if (!inResetMode()) basicCANdriverReset();
    writeFilterBytes(SJA_ACR0, code, (rtrBits & 1) != 0);
    writeFilterBytes(SJA_AMR0, mask, (rtrBits & 2) != 0);
}

void restoreCAN_RxFilter() {
    writeCAN_RxFilter(savedCode, savedMask, 2); // remote frames accepted too
}

unsigned char basicCANdriverInit(uint32_t code, uint32_t mask) {
    basicCANdriverReset();
    savedCode = code;
    savedMask = mask;
    restoreCAN_RxFilter();
    _writeCANreg(SJA_BTR0, BTR0_Value);
    _writeCANreg(SJA_BTR1, BTR1_Value);
    _writeCANreg(SJA_OCR, OCR_Value);
    _writeCANreg(SJA_IER, 0); // polled
    RTdriverHookService = serviceCANdriverRxQ_RThook;
    basicCANdriverUnreset();
    return _readCANreg(SJA_IR);
}

bool basicCANdriverBusOK() {
    unsigned char sr = _readCANreg(SJA_SR);
    unsigned char tx = _readCANreg(SJA_TXERR), rx = _readCANreg(SJA_RXERR);
    bool busOff = (sr & SJA_SR_BS) != 0;
    bool errorStatus = (sr & SJA_SR_ES) != 0;
    bool passive = tx >= ErrorPassiveLimit || rx >= ErrorPassiveLimit;
    bool ok = false;
    if (busOff) {
        CAN_BusState = 3;
    } else {
        switch (CAN_BusState) {
        case 0:
            if (errorStatus && passive) {
                CAN_BusState = 1;
                clearOkFlags();
            } else {
                ok = true;
            }
            break;
        case 1:
            if (CAN_RxOK && CAN_TxOK && tx < RecoveredLimit && rx < RecoveredLimit) {
                CAN_BusState = 2;
                ok = true;
            } else if (!errorStatus) {
                CAN_BusState = 0;
                ok = true;
            }
            break;
        case 2:
            if (!errorStatus) {
                CAN_BusState = 0;
                ok = true;
            } else if (passive) {
                CAN_BusState = 1;
                clearOkFlags();
            } else {
                ok = true;
            }
            break;
        case 3:
            CAN_BusState = 4;
            clearOkFlags();
            break;
        default: // 4: healthy only once a frame was received and one handed over
            if (CAN_RxOK && CAN_TxOK) {
                CAN_BusState = 0;
                ok = true;
            }
            break;
        }
    }
    basicCANdriverUnreset();
    return ok;
}

bool basicCANdriverTxReady() {
    return txFIFOnumToTx + txFIFOnumTxd < CAN_TxFIFOsize;
}

bool basicCANdriverTxMsg(CANframe* frame, uint8_t daXor) {
    // A fifth frame would overwrite a slot whose frame has not been reported yet.
    if (!basicCANdriverTxReady()) {
        printf("basicCANdriverTxMsg: transmit FIFO full, frame %08X refused\n",
               static_cast<unsigned>(frame->id));
        return false;
    }
    CAN_TxFIFO[txFIFOput] = {frame, daXor};
    txFIFOput = nextSlot(txFIFOput);
    ++txFIFOnumToTx;
    basicCANdriverServiceTxFIFO();
    return true;
}

void basicCANdriverServiceTxFIFO() {
    if (inResetMode()) {
        basicCANdriverBusOK();
        return;
    }
    if (txFIFOnumToTx == 0) return;
    if ((_readCANreg(SJA_SR) & (SJA_SR_BS | SJA_SR_TBS)) != SJA_SR_TBS) return;
    const CAN_TxFIFOslot& s = CAN_TxFIFO[txFIFOget];
    const CANframe* f = s.frame;
    uint8_t dlc = f->dlc > 8 ? 8 : f->dlc;
    _writeCANreg(SJA_FRAME, static_cast<unsigned char>((f->extended ? SJA_FI_FF : 0) | dlc));
    unsigned dataReg;
    if (f->extended) {
        uint32_t id = f->id ^ static_cast<uint32_t>(s.daXor) << 8;
        _writeCANreg(17, static_cast<unsigned char>(id >> 21));
        _writeCANreg(18, static_cast<unsigned char>(id >> 13));
        _writeCANreg(19, static_cast<unsigned char>(id >> 5));
        _writeCANreg(20, static_cast<unsigned char>((id << 3) & 0xF8));
        dataReg = 21;
    } else {
        _writeCANreg(17, static_cast<unsigned char>(f->id >> 3));
        _writeCANreg(18, static_cast<unsigned char>((f->id << 5) & 0xE0));
        dataReg = 19;
    }
    for (unsigned i = 0; i < dlc; ++i)
        _writeCANreg(dataReg + i, f->data[i]);
    if (inResetMode()) {
        // The writes went to the filter registers: put the filter back, send later.
        restoreCAN_RxFilter();
        return;
    }
    _writeCANreg(SJA_CMR, SJA_CMR_TR);
    CAN_TxOK = true;
    txFIFOget = nextSlot(txFIFOget);
    --txFIFOnumToTx;
    ++txFIFOnumTxd;
}

CANframe* basicCANdriverGetTxDone() {
    if (txFIFOnumTxd == 0) return nullptr;
    CANframe* f = CAN_TxFIFO[txFIFOgetTxd].frame;
    CAN_TxFIFO[txFIFOgetTxd].frame = nullptr;
    txFIFOgetTxd = nextSlot(txFIFOgetTxd);
    --txFIFOnumTxd;
    return f;
}

CANframe* basicCANdriverGetRxMsg() {
    CANframe* f = EmulatedRxFIFO.head;
    if (f == nullptr) return nullptr;
    EmulatedRxFIFO.head = f->rxNext;
    if (EmulatedRxFIFO.head == nullptr) EmulatedRxFIFO.tail = nullptr;
    f->rxNext = nullptr;
    return f;
}

void simCANrx(CANframe* frame) {
    frame->rxNext = nullptr;
    if (EmulatedRxFIFO.tail != nullptr)
        EmulatedRxFIFO.tail->rxNext = frame;
    else
        EmulatedRxFIFO.head = frame;
    EmulatedRxFIFO.tail = frame;
}

void simTPrx(uint8_t control, uint32_t sizeOrNext, uint32_t count, uint32_t pgn, uint8_t sa,
             uint8_t da) {
    simCANrx(buildTPpkt(control, sizeOrNext, count, pgn, sa, da));
}

void serviceCANdriverRxQ_RThook() {
    for (int i = 0; i < CAN_RxFramesPerHook; ++i) {
        if ((_readCANreg(SJA_SR) & SJA_SR_RBS) == 0) return;
        CANframe* f = allocCANframe();
        if (!getRxMsgFromHW_FIFO(f) || !basicCANdriverIsHW_RxAllowed) {
            freeCANframe(f);
            return;
        }
        CAN_RxOK = true;
        simCANrx(f);
    }
}

void dumpCANregs(const char*) {}
