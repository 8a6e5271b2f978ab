#include "api/Frame.h"
#include "api/Log.h"

#include <gtest/gtest.h>

TEST(Frame, NullHandleIsRefusedWithItsLine)
{
    EXPECT_EQ(TRVEndMesh(nullptr), 6);
    EXPECT_EQ(trv::lastError(), "Invalid TorvoMesh Handle: 0000000000000000\n");
}
