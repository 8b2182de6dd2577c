// The record of the responses the protocol handed on, newest last.
#include "flashloader/protocol_entry_points.h"

ProtocolCallLog protocolCalls;
