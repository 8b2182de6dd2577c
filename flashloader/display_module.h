// The display's own module on the J1939 bus and the bus object built on it.
#pragma once

#include "j1939/j1939_bus.h"
#include "j1939/j1939_module.h"

// The display's source address: a service tool.
constexpr uint8_t ServiceToolSA = 250;

extern J1939module Display;
