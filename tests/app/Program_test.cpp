#include "app/Program.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "assets/PackWriter.h"
#include "audio/SoundtrackPlayer.h"
#include "platform/Input.h"
#include "platform/Platform.h"
#include "platform/Window.h"
#include "support/ReportCapture.h"
#include "support/SineMp3.h"
#include "support/TempDir.h"

namespace {

using testing::HasSubstr;

// Records the device creation it is asked for and draws nothing.
class RecordingPresentation : public app::Presentation {
  public:
    explicit RecordingPresentation(std::vector<std::string>& log) : log_(log) {}
    bool CreateDevice(platform::Window* window, const app::Options&, std::string*) override {
        if (window)
            log_.push_back("device on a " + std::to_string(window->width()) + "x" +
                           std::to_string(window->height()) + " window");
        else
            log_.push_back("headless device");
        return true;
    }

  private:
    std::vector<std::string>& log_;
};

class ProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        assets::PackWriter w;
        w.Add("morvek.mp3", testsupport::EncodeSineMp3({22050, 1, 22050, 330.0, 64}));
        packPath = dir.file("kelvra.dat");
        ASSERT_TRUE(w.WriteFile(packPath));
        app::displaySettings = {};
        parts.presentation = [this] {
            ++presentations;
            return std::make_unique<RecordingPresentation>(log);
        };
    }
    void TearDown() override {
        app::displaySettings = {};
        platform::ClearKeyState();
        unsetenv("SDL_VIDEODRIVER");
    }

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), "runeplay");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return app::RunProgram(static_cast<int>(args.size()), argv.data(), parts);
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
    std::string packPath;
    app::ProgramParts parts;
    std::vector<std::string> log;
    int presentations = 0;
    int dialogs = 0;
};

TEST_F(ProgramTest, CancelEndsWithZeroBeforeAnyWindowDeviceOrSound) {
    parts.setupDialog = [this](app::DisplaySettings&, std::string*) {
        ++dialogs;
        return 0;
    };
    EXPECT_EQ(Run({"--audio", "none", "--pack", packPath}), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(presentations, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(platform::MainWindow(), nullptr);
    EXPECT_EQ(audio::Soundtrack(), nullptr);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ProgramTest, ADialogThatCannotOpenPointsAtHeadless) {
    parts.setupDialog = [](app::DisplaySettings&, std::string* error) {
        *error = "no display found";
        return -1;
    };
    EXPECT_EQ(Run({"--pack", packPath}), platform::kFatalExitStatus);
    EXPECT_EQ(presentations, 0);
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0],
                HasSubstr("Cannot open the setup dialog: no display found (runeplay --headless"));
}

TEST_F(ProgramTest, HeadlessAndCommandLineChoicesSkipTheDialog) {
    parts.setupDialog = [this](app::DisplaySettings&, std::string*) {
        ++dialogs;
        return 0;
    };
    EXPECT_EQ(Run({"--headless", "--audio", "none", "--pack", packPath, "--mode", "320x240",
                   "--quit-after-frames", "1"}),
              0);
    EXPECT_EQ(dialogs, 0);
    EXPECT_THAT(log, testing::ElementsAre("headless device"));
    EXPECT_EQ(app::displaySettings.width, 320);
    EXPECT_EQ(app::displaySettings.height, 240);
    EXPECT_EQ(app::displaySettings.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(app::displaySettings.backBufferCount, 2);
    EXPECT_EQ(app::displaySettings.hardwareVertexProcessing, 1);
}

TEST_F(ProgramTest, TheDialogsChoiceMakesTheWindow) {
    // SDL's offscreen driver: real windows without a display, taken because it is asked for.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    if (!platform::InitVideo(&error)) GTEST_SKIP() << "no SDL video: " << error;
    parts.setupDialog = [this](app::DisplaySettings& s, std::string*) {
        ++dialogs;
        s = {640, 480, 60, D3DFMT_X8R8G8B8, 1, 1, 1};
        return 1;
    };
    EXPECT_EQ(Run({"--audio", "none", "--pack", packPath, "--quit-after-frames", "1"}), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_THAT(log, testing::ElementsAre("device on a 640x480 window"));
    EXPECT_EQ(app::displaySettings.backBufferCount, 1);
}

TEST(ProgramSettings, TheDialogsChoiceBecomesWindowOptions) {
    app::Options options;
    app::ApplyDisplaySettings({1024, 768, 60, D3DFMT_R5G6B5, 2, 0, 1}, options);
    EXPECT_EQ(options.width, 1024);
    EXPECT_EQ(options.height, 768);
    EXPECT_EQ(options.windowMode, platform::WindowMode::Fullscreen);
    EXPECT_EQ(options.bitsPerPixel, 16);
    EXPECT_EQ(options.refreshRate, 60);
    app::ApplyDisplaySettings({800, 600, 60, D3DFMT_X8R8G8B8, 2, 1, 1}, options);
    EXPECT_EQ(options.windowMode, platform::WindowMode::Windowed);
    EXPECT_EQ(options.bitsPerPixel, 32);

    app::Options fullscreen;
    fullscreen.windowMode = platform::WindowMode::Fullscreen;
    const app::DisplaySettings s = app::SettingsFromOptions(fullscreen);
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.windowed, 0);
    EXPECT_EQ(s.refreshRate, 0u);
}

}  // namespace
