#include "platform/ErrorReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "support/ReportCapture.h"

namespace {

using testing::ElementsAre;

TEST(ErrorReportTest, ShowErrorUsesTheErrorCaptionAndShowsTheCursor) {
    testsupport::ReportCapture capture;
    platform::ShowCursor(false);
    platform::ShowError("PosError");
    EXPECT_THAT(capture.reports, ElementsAre("Error!!!: PosError"));
    EXPECT_TRUE(platform::CursorShown());
    EXPECT_TRUE(capture.fatals.empty());
}

TEST(ErrorReportTest, ShowMessageKeepsItsCaptionAndLeavesTheCursor) {
    testsupport::ReportCapture capture;
    platform::ShowCursor(false);
    platform::ShowMessage("Objs\\tex.jpg", "TextureError!!!!");
    EXPECT_THAT(capture.reports, ElementsAre("Objs\\tex.jpg: TextureError!!!!"));
    EXPECT_FALSE(platform::CursorShown());
    platform::ShowCursor(true);
}

TEST(ErrorReportTest, FatalErrorReportsThenRunsTheHandler) {
    testsupport::ReportCapture capture;
    platform::FatalError("pack damaged");
    EXPECT_THAT(capture.reports, ElementsAre("Error!!!: pack damaged"));
    EXPECT_THAT(capture.fatals, ElementsAre("pack damaged"));
}

TEST(ErrorReportDeathTest, WithoutHandlerFatalErrorPrintsAndExitsNonZero) {
    EXPECT_EXIT(platform::FatalError("no soundtrack"),
                testing::ExitedWithCode(platform::kFatalExitStatus), "Error!!!: no soundtrack");
}

}  // namespace
