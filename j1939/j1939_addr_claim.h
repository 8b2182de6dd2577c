// The display's own Address Claimed message: its NAME, sent to everyone when asked.
#pragma once

#include "j1939/j1939_msg.h"
#include "j1939/j1939_name.h"

class J1939msgAddrClaim : public J1939msg {
public:
    uint32_t identity;
    uint8_t function;
    uint8_t industryGroup;
    uint8_t vehicleSystem;
    uint16_t manufacturer;
    uint8_t functionInstance;
    uint8_t ecuInstance;
    uint8_t vehicleSystemInstance;
    bool arbitraryAddressCapable;

    J1939msgAddrClaim(uint32_t identity, uint8_t function, uint8_t industryGroup,
                      uint8_t vehicleSystem, uint16_t manufacturer, uint8_t functionInstance,
                      uint8_t ecuInstance, uint8_t vehicleSystemInstance,
                      bool arbitraryAddressCapable);

    // One frame from the message's sa to the global address holding the NAME.
    void init() override;
    J1939NAME name() const;
};
