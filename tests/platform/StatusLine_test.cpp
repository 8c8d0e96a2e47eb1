#include "platform/StatusLine.h"

#include <gtest/gtest.h>

#include "platform/ErrorReport.h"

namespace {

// A progress line never ends its line; a message written meanwhile must still begin a line
// of its own (readers look for lines that begin "gfx:" or "Error!!!:").
TEST(StatusLine, MessagesWrittenWhileItIsOpenStandOnLinesOfTheirOwn) {
    testing::internal::CaptureStderr();
    platform::WriteStatusLine("pre-roll: 1/60 frames");
    platform::WriteStatusLine("pre-roll: 2/60 frames");
    platform::WriteErrorLine("gfx: draw skipped");
    platform::WriteErrorLine("gfx: another");
    platform::WriteStatusLine("pre-roll: 60/60 frames");
    platform::ShowError("the still cannot be written");
    platform::WriteStatusLine("capture: 1/2 frames");
    platform::EndStatusLine();
    platform::EndStatusLine();  // nothing open: nothing written
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\rpre-roll: 1/60 frames\rpre-roll: 2/60 frames\ngfx: draw skipped\ngfx: another\n"
              "\rpre-roll: 60/60 frames\nError!!!: the still cannot be written\n"
              "\rcapture: 1/2 frames\n");
}

}  // namespace
