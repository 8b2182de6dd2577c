// NAME packing and comparison.
#include "j1939/j1939_name.h"

#include <cstdio>

J1939NAME::J1939NAME(const uint8_t* raw) {
    for (int i = 0; i < 8; ++i)
        bytes[i] = raw[i];
}

J1939NAME::J1939NAME(uint32_t identity, uint8_t function, uint8_t industryGroup,
                     uint8_t vehicleSystem, uint16_t manufacturer, uint8_t functionInstance,
                     uint8_t ecuInstance, uint8_t vehicleSystemInstance,
                     bool arbitraryAddressCapable) {
    buildNAME(identity, function, industryGroup, vehicleSystem, manufacturer, functionInstance,
              ecuInstance, vehicleSystemInstance, arbitraryAddressCapable);
}

J1939NAME::J1939NAME(bool aac, uint8_t sel) {
    auto all = [sel](uint8_t bit, uint32_t ones) { return (sel & bit) ? ones : 0u; };
    buildNAME(all(NAMEselIdentity, 0x1FFFFF), static_cast<uint8_t>(all(NAMEselFunction, 0xFF)),
              static_cast<uint8_t>(all(NAMEselIndustryGroup, 7)),
              static_cast<uint8_t>(all(NAMEselVehicleSystem, 0x7F)),
              static_cast<uint16_t>(all(NAMEselManufacturer, 0x7FF)),
              static_cast<uint8_t>(all(NAMEselFunctionInstance, 0x1F)),
              static_cast<uint8_t>(all(NAMEselECUinstance, 7)),
              static_cast<uint8_t>(all(NAMEselVehicleSystemInstance, 0xF)), aac);
}

void J1939NAME::buildNAME(uint32_t identity, uint8_t function, uint8_t industryGroup,
                          uint8_t vehicleSystem, uint16_t manufacturer, uint8_t functionInstance,
                          uint8_t ecuInstance, uint8_t vehicleSystemInstance, bool aac) {
    identity &= 0x1FFFFF;
    manufacturer &= 0x7FF;
    bytes[0] = static_cast<uint8_t>(identity);
    bytes[1] = static_cast<uint8_t>(identity >> 8);
    bytes[2] = static_cast<uint8_t>((identity >> 16) | (manufacturer & 7) << 5);
    bytes[3] = static_cast<uint8_t>(manufacturer >> 3);
    bytes[4] = static_cast<uint8_t>((ecuInstance & 7) | (functionInstance & 0x1F) << 3);
    bytes[5] = function;
    bytes[6] = static_cast<uint8_t>((vehicleSystem & 0x7F) << 1);
    bytes[7] = static_cast<uint8_t>((vehicleSystemInstance & 0xF) | (industryGroup & 7) << 4 |
                                    (aac ? 0x80 : 0));
}

bool J1939NAME::match(const J1939NAME& name, const J1939NAME& mask) const {
    for (int i = 0; i < 8; ++i)
        if ((bytes[i] ^ name.bytes[i]) & mask.bytes[i]) return false;
    return true;
}

bool J1939NAME::operator==(const J1939NAME& o) const {
    for (int i = 0; i < 8; ++i)
        if (bytes[i] != o.bytes[i]) return false;
    return true;
}

uint32_t J1939NAME::getIdentity() const {
    return bytes[0] | bytes[1] << 8 | static_cast<uint32_t>(bytes[2] & 0x1F) << 16;
}

uint16_t J1939NAME::getManufacturer() const {
    return static_cast<uint16_t>(bytes[2] >> 5 | bytes[3] << 3);
}

const char* J1939NAME::inASCII() const {
    static char text[17];
    for (int i = 0; i < 8; ++i)
        snprintf(text + 2 * i, 3, "%02X", bytes[7 - i]);
    return text;
}
