// The display's Address Claimed message.
#include "j1939/j1939_addr_claim.h"

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"

namespace {
constexpr uint8_t ClaimPriority = 6;
constexpr uint32_t NameLength = 8;
} // namespace

J1939msgAddrClaim::J1939msgAddrClaim(uint32_t id, uint8_t fn, uint8_t ig, uint8_t vs, uint16_t mfr,
                                     uint8_t fi, uint8_t ei, uint8_t vsi, bool aac)
    : J1939msg(PGN_AddressClaimed, ClaimPriority, NameLength,
               J1939cfgListed | J1939cfgTx | J1939cfgOnRequest),
      identity(id), function(fn), industryGroup(ig), vehicleSystem(vs), manufacturer(mfr),
      functionInstance(fi), ecuInstance(ei), vehicleSystemInstance(vsi),
      arbitraryAddressCapable(aac) {}

J1939NAME J1939msgAddrClaim::name() const {
    return J1939NAME(identity, function, industryGroup, vehicleSystem, manufacturer,
                     functionInstance, ecuInstance, vehicleSystemInstance, arbitraryAddressCapable);
}

void J1939msgAddrClaim::init() {
    // Always to the global address, whatever destination the message was registered with.
    if (buffer == nullptr || buffer->da != GlobalAddress) {
        delete buffer;
        buffer = new J1939msgBuffer(PGN_AddressClaimed, sa, GlobalAddress, ClaimPriority,
                                    NameLength, nullptr, true);
    }
    da = GlobalAddress;
    id = buildIDfromPGN(ClaimPriority, PGN_AddressClaimed, sa, GlobalAddress);
    J1939NAME n = name();
    buffer->copyInBytes(n.bytes, 0, NameLength);
}
