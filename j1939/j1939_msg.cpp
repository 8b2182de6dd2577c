// Messages: fields, transmission with busy and repeat, period timers, requests.
#include "j1939/j1939_msg.h"

#include <cstdio>

#include "j1939/can_frame.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/tp_session.h"

namespace {
constexpr uint32_t NotStartedRetryMs = 100;
} // namespace

J1939msg::J1939msg(uint32_t p, uint8_t prio, uint32_t len, J1939msgConfiguration cfg, uint32_t per)
    : pgn(p), priority(prio), id(buildIDfromPGN(prio, p, 0, 0)), length(len),
      config(per != 0 ? cfg | J1939cfgPeriodic : cfg), period(per) {}

J1939msg::~J1939msg() {
    while (cancelDelayedNotify(AnyEvent)) {
    }
    while (fields != nullptr) {
        J1939field* f = fields;
        fields = f->next;
        delete f->defn;
        delete f;
    }
    delete buffer;
}

void J1939msg::rebuildID() {
    id = buildIDfromPGN(priority, pgn, sa, da);
}

void J1939msg::armPeriod(uint32_t ms) {
    // One period timer at a time.
    while (cancelDelayedNotify(TimerEvent)) {
    }
    delayedNotify(TimerEvent, ms);
}

J1939field* J1939msg::addField(uint32_t spn, uint32_t startByte, uint8_t bitOffset,
                               uint8_t sizeBits, GenericData* data, double scale, double offset,
                               const J1939FMIset& fmiSet) {
    J1939fieldDefn* d = new J1939fieldDefn(spn, sizeBits, data, scale, offset, fmiSet);
    fields = new J1939field(d, startByte, bitOffset, fields);
    return fields;
}

bool J1939msg::setField(J1939field* field, uint32_t raw) {
    return buffer != nullptr && field->setField(buffer, raw);
}

uint32_t J1939msg::getField(J1939field* field) const {
    return buffer != nullptr ? field->getField(buffer) : 0;
}

J1939field* J1939msg::encodeField(J1939field* field, J1939msgBuffer* buf, double value) {
    field->setField(buf, static_cast<uint32_t>(field->defn->encode(value)));
    return field->next;
}

void J1939msg::setAllFields(const uint32_t* values) {
    if (buffer == nullptr) return;
    int i = 0;
    for (J1939field* f = fields; f != nullptr; ++i)
        f = encodeField(f, buffer, static_cast<double>(values[i])); // unsigned throughout
}

void J1939msg::getAllFields(uint32_t* values) const {
    int i = 0;
    for (J1939field* f = fields; f != nullptr; f = f->next, ++i) {
        double v = f->defn->decode(getField(f));
        values[i] = v <= 0 ? 0 : v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    }
}

J1939field* J1939msg::findFieldAssocWithSPN(uint32_t spn) const {
    for (J1939field* f = fields; f != nullptr; f = f->next)
        if (f->defn->spn == spn) return f;
    return nullptr;
}

void J1939msg::allocBuffer() {
    if (buffer == nullptr)
        buffer = new J1939msgBuffer(pgn, sa, da, priority, length, nullptr, true);
}

void J1939msg::initFields() {
    if (config & J1939cfgTx) allocBuffer();
    init();
}

void J1939msg::assignModules(J1939module* src, J1939module* dst) {
    uint8_t oldDA = da;
    sa = src != nullptr ? src->address : 0;
    da = dst != nullptr ? dst->address : 0;
    rebuildID();
    module = (config & J1939cfgTx) ? dst : src;
    if (da != oldDA && buffer != nullptr) buffer->changeDA(da);
}

void J1939msg::moduleAddrChanged() {
    if (module == nullptr) return;
    if (config & J1939cfgTx) {
        da = module->address;
        if (buffer != nullptr) buffer->changeDA(da);
    } else {
        sa = module->address;
    }
    rebuildID();
}

void J1939msg::issueRequest(uint8_t s) {
    if (!CANbusMgr.busOK) return;
    uint8_t from = s != 0 ? s : da;
    uint8_t to = (config & J1939cfgSrcSpecific) ? sa : GlobalAddress;
    CANbusMgr.txCANpkt(PktQueueElement::alloc(buildReqPGN(pgn, from, to), nullptr, 0, true));
}

bool J1939msg::transmit(uint32_t toDA) {
    if (txBusy) {
        if (!(config & J1939cfgPeriodic)) {
            retxPending = true;
            pendingDA = toDA;
        }
        return true;
    }
    if (buffer == nullptr) {
        printf("J1939msg::transmit: PGN %u has no buffer (not registered)\n",
               static_cast<unsigned>(pgn));
        return false;
    }
    txBusy = true;
    txDA = static_cast<uint8_t>(toDA > 255 ? da : toDA);
    if (buffer->length > TP_MaxMessageBytes) {
        // Its packet count and sequence numbers would wrap: refused, and ended as a failed
        // transfer so that a sender waiting for the outcome hears of it.
        printf("J1939msg::transmit: PGN %u of %u bytes is too long\n", static_cast<unsigned>(pgn),
               static_cast<unsigned>(buffer->length));
        delayedNotify(TPfailedEvent, 1);
        return false;
    }
    if (config & J1939cfgAutoFields)
        for (J1939field* f = fields; f != nullptr; f = f->next)
            f->setField(buffer);
    onTx();
    CANbusMgr.txMsg(this);
    return true;
}

void J1939msg::retriggerTx() {
    if (!cfgAs(J1939cfgTx | J1939cfgPeriodic, 0xFF) || retxPending) return;
    if (txBusy) {
        retxPending = true;
        pendingDA = OwnDA;
        return;
    }
    if (cancelDelayedNotify(TimerEvent)) transmit(OwnDA);
}

void J1939msg::notify(NotificationEvent event, Data*) {
    switch (event) {
    case TimerEvent:
        if (!(config & J1939cfgPeriodic)) return;
        if (CANbusMgr.state == 0) {
            armPeriod(NotStartedRetryMs);
            return;
        }
        if (config & J1939cfgTx) {
            transmit(OwnDA);
        } else if (config & J1939cfgOnRequest) {
            issueRequest(0);
            armPeriod(period);
        }
        return;
    case MsgReceivedEvent:
        if ((config & J1939cfgAutoFields) && buffer != nullptr)
            for (J1939field* f = fields; f != nullptr; f = f->next)
                f->updateAssocDataObj(buffer);
        onRx();
        return;
    case TPtxAckedEvent:
    case PktTransmittedEvent:
    case TPfailedEvent:
        txBusy = false;
        if (retxPending) {
            retxPending = false;
            transmit(pendingDA);
        } else if (config & J1939cfgPeriodic) {
            armPeriod(period);
        }
        return;
    default:
        return;
    }
}

void J1939msgList::add(J1939msg* msg) {
    msg->listNext = head;
    head = msg;
}

bool J1939msgList::remove(J1939msg* msg) {
    for (J1939msg** p = &head; *p != nullptr; p = &(*p)->listNext) {
        if (*p == msg) {
            *p = msg->listNext;
            msg->listNext = nullptr;
            return true;
        }
    }
    return false;
}

J1939msg* J1939msgList::match(uint32_t pgn, uint8_t sa, unsigned char* data) const {
    for (J1939msg* m = head; m != nullptr; m = m->listNext) {
        if (m->pgn != pgn) continue;
        if ((m->config & J1939cfgSrcSpecific) && m->sa != sa) continue;
        if (data != nullptr && (m->config & J1939cfgFiltered) && !m->filter(data, sa)) continue;
        return m;
    }
    return nullptr;
}
