// The modsim program's way onto a real transport.
#include "modsim/controller_bridge.h"

#include "platform/can_regs.h"

namespace {
// 250 kbit/s with the board's 12 MHz controller clock: 8 quanta of 0.5 us.
constexpr unsigned char Btr0For250k = 0x02;
constexpr unsigned char Btr1For250k = 0x23;
} // namespace

void ControllerBridge::start() {
    sja.write(SJA_MOD, SJA_MOD_RM);
    sja.write(SJA_CDR, SJA_CDR_PELICAN);
    for (unsigned i = 0; i < 4; ++i) {
        sja.write(SJA_ACR0 + i, 0x00);
        sja.write(SJA_AMR0 + i, 0xFF);
    }
    sja.write(SJA_BTR0, Btr0For250k);
    sja.write(SJA_BTR1, Btr1For250k);
    sja.write(SJA_IER, 0);
    sja.write(SJA_MOD, 0);
}

void ControllerBridge::onRx(const CanWireFrame& f, uint64_t) {
    if (count == Capacity) {
        ++lost;
        return;
    }
    ring[(head + count++) % Capacity] = f;
}

bool ControllerBridge::service() {
    bool moved = false;
    unsigned char sr = sja.read(SJA_SR);
    if (sr & SJA_SR_BS) {
        // Bus-off puts the controller into reset mode; leaving it starts the recovery.
        if (!wasBusOff) ++busOffs;
        wasBusOff = true;
        txInFlight = false;
        if (sja.read(SJA_MOD) & SJA_MOD_RM) sja.write(SJA_MOD, 0);
        return false;
    }
    wasBusOff = false;
    while (sja.read(SJA_SR) & SJA_SR_RBS) {
        CanWireFrame f = sjaReadRxFrame(sja);
        sja.write(SJA_CMR, SJA_CMR_RRB);
        if (send(f))
            ++framesIn;
        else
            ++lost;
        moved = true;
    }
    if (sja.read(SJA_SR) & SJA_SR_DOS) {
        ++overruns;
        sja.write(SJA_CMR, SJA_CMR_CDO);
    }
    sr = sja.read(SJA_SR);
    if (txInFlight && (sr & SJA_SR_TBS)) {
        txInFlight = false;
        ++framesOut;
        moved = true;
    }
    if (!txInFlight && count > 0 && (sr & SJA_SR_TBS)) {
        sjaLoadTxFrame(sja, ring[head]);
        sja.write(SJA_CMR, SJA_CMR_TR);
        head = (head + 1) % Capacity;
        --count;
        txInFlight = true;
        moved = true;
    }
    return moved;
}
