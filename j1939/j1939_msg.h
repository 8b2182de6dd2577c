// J1939 messages: one object per parameter group the display sends or receives, with its
// configuration, period, fields and buffer; and the lists the bus keeps them in.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "j1939/j1939_field.h"
#include "j1939/simple_queue.h"

class J1939module;
class J1939msgBuffer;

typedef uint32_t J1939msgConfiguration;
enum : J1939msgConfiguration {
    J1939cfgListed = 0x01,      // kept in one of the bus's lists when registered
    J1939cfgTx = 0x02,          // transmitted by the display; otherwise received
    J1939cfgAutoFields = 0x04,  // fields copied from/to their data objects
    J1939cfgOnRequest = 0x08,   // tx: answered on Request; rx: requested by the display
    J1939cfgPeriodic = 0x10,    // sent, or requested, every period
    J1939cfgSrcSpecific = 0x40, // received only from the bound module's address
    J1939cfgFiltered = 0x80,    // filter() decides whether a frame belongs to the message
};

// Every bit of required set and none outside allowed (255: no restriction).
inline bool cfgAs(J1939msgConfiguration config, uint32_t required, uint32_t allowed) {
    return (config & required) == required && (config & ~allowed & 0xFF) == 0;
}

// Destination argument of transmit meaning "the message's own da".
constexpr uint32_t OwnDA = 256;

// The simpleQueueElement links a message into a transport session's queue.
class J1939msg : public Notifiable, public simpleQueueElement {
public:
    uint32_t pgn;
    J1939module* module = nullptr; // tx: the destination; rx: the source
    uint8_t sa = 0, da = 0;
    uint8_t priority;
    uint32_t id;
    uint32_t length;
    J1939msgConfiguration config;
    uint32_t period; // ms; 0 = not periodic
    J1939field* fields = nullptr;
    J1939msg* listNext = nullptr;
    J1939msgBuffer* buffer = nullptr; // tx buffer, or the received one during notify(4)
    bool txBusy = false;
    bool retxPending = false;
    uint8_t txDA = 0;
    uint32_t pendingDA = OwnDA;

    J1939msg(uint32_t pgn, uint8_t priority, uint32_t length, J1939msgConfiguration config,
             uint32_t period = 0);
    J1939msg(const J1939msg&) = delete;
    J1939msg& operator=(const J1939msg&) = delete;
    // Messages live as long as the program; the fields and buffer are the message's own.
    ~J1939msg() override;

    void notify(NotificationEvent event, Data* data) override;
    // Adds the fields (concrete messages).
    virtual void init() = 0;
    // Sends the buffer to da (OwnDA: the message's own destination). False when the message
    // cannot be sent: no buffer, or longer than the transport protocol carries (then the
    // message is told TPfailedEvent a pass later, as for an aborted transfer).
    virtual bool transmit(uint32_t da);
    virtual void onRx() {}
    virtual void onTx() {}
    // Whether a received frame (or the first TP.DT's data) from sa belongs to this message.
    virtual bool filter(unsigned char*, unsigned char) { return true; }

    bool cfgAs(uint32_t required, uint32_t allowed) const {
        return ::cfgAs(config, required, allowed);
    }

    J1939field* addField(uint32_t spn, uint32_t startByte, uint8_t bitOffset, uint8_t sizeBits,
                         GenericData* data, double scale, double offset,
                         const J1939FMIset& fmiSet = J1939FMIset());
    bool setField(J1939field* field, uint32_t raw);
    uint32_t getField(J1939field* field) const;
    J1939field* encodeField(J1939field* field, J1939msgBuffer* buffer, double value);
    // One engineering value per field, in list order.
    void setAllFields(const uint32_t* values);
    void getAllFields(uint32_t* values) const;
    J1939field* findFieldAssocWithSPN(uint32_t spn) const;

    // The transmit buffer (once), then init().
    void initFields();
    void allocBuffer();
    void assignModules(J1939module* src, J1939module* dst);
    // The bound module has a new address.
    void moduleAddrChanged();
    // Asks for this PGN (while the CAN bus is OK); sa 0 = the message's da.
    void issueRequest(uint8_t sa);
    // A periodic transmit message goes now.
    void retriggerTx();

private:
    void rebuildID();
    void armPeriod(uint32_t ms);
};

class J1939msgList {
public:
    J1939msg* head = nullptr;

    void add(J1939msg* msg); // at the front
    bool remove(J1939msg* msg);
    // The first message for pgn that accepts a frame from sa with these data (null: no
    // filtering).
    J1939msg* match(uint32_t pgn, uint8_t sa, unsigned char* data) const;
};
