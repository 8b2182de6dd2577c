// The application object's start-up and shutdown on the board: its own output pin is an
// output driven low while the application runs, and high again after it, other pins as
// they were.
#include <gtest/gtest.h>

#include "flashloader/my_application.h"
#include "platform/io_regs.h"

TEST(MyApplicationTest, TheApplicationPinIsLowOnlyWhileItRuns) {
    ioWrite8(IO_AppPortDir, 0x41);
    ioWrite8(IO_AppPortData, 0xFF);
    MyApplicationSingleton.onStartup();
    EXPECT_EQ(ioRead8(IO_AppPortDir), 0x61);
    EXPECT_EQ(ioRead8(IO_AppPortData), 0xDF);
    MyApplicationSingleton.onShutdown();
    EXPECT_EQ(ioRead8(IO_AppPortDir), 0x61);
    EXPECT_EQ(ioRead8(IO_AppPortData), 0xFF);
}
