#include "app/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using app::CommandLine;
using app::ParseCommandLine;
using app::SoundtrackPosition;
using testing::HasSubstr;
using Unit = SoundtrackPosition::Unit;

TEST(CommandLineTest, NoArgumentsPlaysKelvraDatWithSound) {
    CommandLine c = ParseCommandLine(std::vector<std::string>{});
    EXPECT_EQ(c.action, CommandLine::Action::Run);
    EXPECT_EQ(c.options.packPath, "kelvra.dat");
    EXPECT_EQ(c.options.audio, audio::AudioBackend::Sdl);
    EXPECT_FALSE(c.options.headless);
    EXPECT_FALSE(c.options.noDialog);  // the setup dialog comes first
    EXPECT_FALSE(c.options.start);
    EXPECT_FALSE(c.options.quitAfterFrames);
    EXPECT_FALSE(c.options.escapeAt);
}

TEST(CommandLineTest, ParsesEveryOption) {
    CommandLine c = ParseCommandLine(std::vector<std::string>{
        "--pack", "data/other.dat", "--start", "1:02.5", "--audio=none", "--headless",
        "--quit-after-frames", "5", "--escape-at", "176400", "--mode", "1024x768", "--fullscreen"});
    ASSERT_EQ(c.action, CommandLine::Action::Run) << c.message;
    EXPECT_EQ(c.options.packPath, "data/other.dat");
    EXPECT_EQ(c.options.start, (SoundtrackPosition{Unit::Milliseconds, 62500}));
    EXPECT_EQ(c.options.audio, audio::AudioBackend::None);
    EXPECT_TRUE(c.options.headless);
    EXPECT_EQ(c.options.quitAfterFrames, 5u);
    EXPECT_EQ(c.options.escapeAt, (SoundtrackPosition{Unit::Bytes, 176400}));
    EXPECT_EQ(c.options.width, 1024);
    EXPECT_EQ(c.options.height, 768);
    EXPECT_EQ(c.options.windowMode, platform::WindowMode::Fullscreen);
}

TEST(CommandLineTest, ADisplayChoiceOnTheCommandLineSkipsTheDialog) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--no-dialog"}, {"--mode", "640x480"}, {"--windowed"}, {"--fullscreen"}}) {
        CommandLine c = ParseCommandLine(args);
        ASSERT_EQ(c.action, CommandLine::Action::Run) << c.message;
        EXPECT_TRUE(c.options.noDialog) << args[0];
    }
    EXPECT_FALSE(ParseCommandLine(std::vector<std::string>{"--audio", "none"}).options.noDialog);
    EXPECT_THAT(app::Usage(), HasSubstr("--no-dialog"));
}

TEST(CommandLineTest, ThePlayersOffsetAndLoop) {
    CommandLine none = ParseCommandLine(std::vector<std::string>{});
    EXPECT_EQ(none.options.avOffsetMs, 0);
    EXPECT_FALSE(none.options.loop);
    for (const auto& [text, ms] : std::vector<std::pair<std::string, int>>{
             {"-150", -150}, {"+40", 40}, {"0", 0}, {"10000", 10000}, {"-10000", -10000}}) {
        CommandLine c = ParseCommandLine(std::vector<std::string>{"--av-offset", text, "--loop"});
        ASSERT_EQ(c.action, CommandLine::Action::Run) << text << ": " << c.message;
        EXPECT_EQ(c.options.avOffsetMs, ms) << text;
        EXPECT_TRUE(c.options.loop);
    }
    for (const char* bad : {"10001", "-10001", "", "+", "-", "12ms", "1.5", "--5"}) {
        CommandLine c = ParseCommandLine(std::vector<std::string>{"--av-offset", bad});
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus) << bad;
        EXPECT_THAT(c.message, HasSubstr("--av-offset: expected whole milliseconds")) << bad;
    }
    // They belong to playing; a still or a capture has neither sound nor an end to loop at.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--still", "1:00", "--out", "a.png", "--loop"},
          std::vector<std::string>{"--capture", "d", "--av-offset", "20"}}) {
        CommandLine c = ParseCommandLine(args);
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus);
        EXPECT_THAT(c.message, HasSubstr("--loop and --av-offset belong to playing"));
    }
}

TEST(CommandLineTest, HelpExitsWithUsageOnStatusZero) {
    CommandLine c = ParseCommandLine(std::vector<std::string>{"--headless", "--help"});
    EXPECT_EQ(c.action, CommandLine::Action::Exit);
    EXPECT_EQ(c.exitStatus, 0);
    EXPECT_THAT(c.message, HasSubstr("usage: runeplay"));
    EXPECT_THAT(c.message, HasSubstr("--escape-at POSITION"));
    EXPECT_THAT(c.message, HasSubstr("--av-offset MS"));
    EXPECT_THAT(c.message, HasSubstr("--loop"));
}

TEST(CommandLineTest, MistakesGiveUsageAndStatusTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"stray"},
        {"--pack"},
        {"--audio", "alsa"},
        {"--start", "1:5"},
        {"--start", "x"},
        {"--headless=yes"},
        {"--quit-after-frames", "0"},
        {"--quit-after-frames", "-3"},
        {"--mode", "800"},
        {"--mode", "0x600"},
        {"--escape-at", "1:60"},
        {"--pack="},
    };
    for (const auto& args : bad) {
        CommandLine c = ParseCommandLine(args);
        EXPECT_EQ(c.action, CommandLine::Action::Exit) << args[0];
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus) << args[0];
        EXPECT_THAT(c.message, HasSubstr("usage: runeplay")) << args[0];
    }
    EXPECT_THAT(ParseCommandLine(std::vector<std::string>{"--bogus"}).message,
                HasSubstr("unknown option --bogus"));
}

TEST(SoundtrackPositionTest, BytesAndTimes) {
    using app::ParseSoundtrackPosition;
    EXPECT_EQ(ParseSoundtrackPosition("0"), (SoundtrackPosition{Unit::Bytes, 0}));
    EXPECT_EQ(ParseSoundtrackPosition("9907200"), (SoundtrackPosition{Unit::Bytes, 9907200}));
    EXPECT_EQ(ParseSoundtrackPosition("1:05"), (SoundtrackPosition{Unit::Milliseconds, 65000}));
    EXPECT_EQ(ParseSoundtrackPosition("01:05.250"),
              (SoundtrackPosition{Unit::Milliseconds, 65250}));
    EXPECT_EQ(ParseSoundtrackPosition("0:00.5"), (SoundtrackPosition{Unit::Milliseconds, 500}));
    EXPECT_EQ(ParseSoundtrackPosition("0:59.05"), (SoundtrackPosition{Unit::Milliseconds, 59050}));
    EXPECT_EQ(ParseSoundtrackPosition("125:00"), (SoundtrackPosition{Unit::Milliseconds, 7500000}));
    for (const char* bad : {"", "-1", "1e5", "1:5", "1:60", ":30", "1:30.", "1:30.1234", "1:30:00",
                            "99999999999999999999999", "1:3x"})
        EXPECT_FALSE(ParseSoundtrackPosition(bad)) << bad;
}

TEST(SoundtrackPositionTest, TimesBecomeBytesOfTheTrack) {
    audio::TrackFormat stereo{44100, 2};
    EXPECT_EQ((SoundtrackPosition{Unit::Milliseconds, 56172}).ToBytes(stereo), 2477185u * 4);
    EXPECT_EQ((SoundtrackPosition{Unit::Bytes, 12345}).ToBytes(stereo), 12345u);
    audio::TrackFormat mono{22050, 1};
    EXPECT_EQ((SoundtrackPosition{Unit::Milliseconds, 1000}).ToBytes(mono), 44100u);
}

}  // namespace
