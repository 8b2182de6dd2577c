// The 64-bit J1939 NAME in transmission order (byte 0 first on the wire), built from its
// fields or as a mask selecting fields, compared under a mask.
#pragma once

#include <cstdint>

class J1939NAME {
public:
    uint8_t bytes[8] = {};

    J1939NAME() = default;
    explicit J1939NAME(const uint8_t* raw);
    J1939NAME(uint32_t identity, uint8_t function, uint8_t industryGroup, uint8_t vehicleSystem,
              uint16_t manufacturer, uint8_t functionInstance, uint8_t ecuInstance,
              uint8_t vehicleSystemInstance, bool arbitraryAddressCapable);
    // All ones in every field whose bit is set in fieldSelect (0x80 identity, 0x40
    // function, 0x20 industry group, 0x10 vehicle system, 0x08 manufacturer, 0x04 function
    // instance, 0x02 ECU instance, 0x01 vehicle system instance).
    J1939NAME(bool arbitraryAddressCapable, uint8_t fieldSelect);

    void buildNAME(uint32_t identity, uint8_t function, uint8_t industryGroup,
                   uint8_t vehicleSystem, uint16_t manufacturer, uint8_t functionInstance,
                   uint8_t ecuInstance, uint8_t vehicleSystemInstance,
                   bool arbitraryAddressCapable);

    // Equal in every bit set in mask.
    bool match(const J1939NAME& name, const J1939NAME& mask) const;
    bool operator==(const J1939NAME& o) const;
    bool operator!=(const J1939NAME& o) const { return !(*this == o); }

    uint32_t getIdentity() const;
    uint16_t getManufacturer() const;
    uint8_t getFunction() const { return bytes[5]; }
    // 16 upper-case hex digits, byte 7 first, in a static buffer the next call overwrites.
    const char* inASCII() const;
};

// NAME field selectors of the mask constructor.
constexpr uint8_t NAMEselIdentity = 0x80;
constexpr uint8_t NAMEselFunction = 0x40;
constexpr uint8_t NAMEselIndustryGroup = 0x20;
constexpr uint8_t NAMEselVehicleSystem = 0x10;
constexpr uint8_t NAMEselManufacturer = 0x08;
constexpr uint8_t NAMEselFunctionInstance = 0x04;
constexpr uint8_t NAMEselECUinstance = 0x02;
constexpr uint8_t NAMEselVehicleSystemInstance = 0x01;
