// The display's module (every NAME field significant) and CANbusMgr, which ignores address
// claims until module discovery starts.
#include "flashloader/display_module.h"

J1939module Display(ServiceToolSA, "Display", false,
                    J1939NAME(0, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
                    J1939NAME(true, 255), 0);
J1939bus CANbusMgr(Display, true);
