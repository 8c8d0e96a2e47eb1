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

namespace {

TEST(CommandLineTest, EndIsAPositionForTheEndOfACaptureAndForAScriptedEscape) {
    CommandLine c = ParseCommandLine(std::vector<std::string>{"--escape-at", "end"});
    ASSERT_EQ(c.action, CommandLine::Action::Run) << c.message;
    EXPECT_TRUE(c.options.escapeAtEnd);
    EXPECT_FALSE(c.options.escapeAt);
    c = ParseCommandLine(std::vector<std::string>{"--capture", "d", "--to", "end", "--overwrite"});
    ASSERT_EQ(c.action, CommandLine::Action::Run) << c.message;
    EXPECT_FALSE(c.options.captureTo);
    EXPECT_TRUE(c.options.overwrite);
    // "end" is no start or still, and --overwrite and --to belong to a capture.
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--start", "end"},
                                               {"--still", "end", "--out", "a.png"},
                                               {"--to", "end"},
                                               {"--still", "1", "--out", "a.png", "--overwrite"}}) {
        c = ParseCommandLine(bad);
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus) << bad[0] << " " << bad[1];
    }
    EXPECT_THAT(app::Usage(), HasSubstr("--escape-at POSITION|end"));
    EXPECT_THAT(app::Usage(), HasSubstr("--overwrite"));
}

// A 29-second track, as a pack whose soundtrack was cut short would have.
const audio::TrackFormat kStereo{44100, 2};
constexpr uint64_t kLength = 29 * 176400 + 1000;

std::string Check(const std::vector<std::string>& args) {
    const CommandLine c = ParseCommandLine(args);
    EXPECT_EQ(c.action, CommandLine::Action::Run) << c.message;
    return app::CheckPositions(c.options, kStereo, kLength);
}

TEST(PositionCheckTest, EveryPositionPastTheEndIsRefusedNamingTheLength) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--still", "2:00", "--out", "a.png"},
             {"--start", "4:40"},
             {"--escape-at", "9:00"},
             {"--capture", "d", "--from", "0:30"},
             {"--capture", "d", "--to", "0:29.100"},
             {"--still", "18446744073709551615", "--out", "a.png"}}) {
        const std::string error = Check(args);
        EXPECT_THAT(error, HasSubstr(args[args[0] == "--capture" ? 2 : 0] + " ")) << args[1];
        EXPECT_THAT(error, HasSubstr("past the end of the soundtrack, which is 0:29.005 "
                                     "(5116600 bytes) long"))
            << args[1];
    }
    EXPECT_THAT(Check({"--still", "2:00", "--out", "a.png"}),
                HasSubstr("--still 2:00.000 (21168000 bytes) lies past the end"));
    EXPECT_THAT(Check({"--still", "18446744073709551615", "--out", "a.png"}),
                HasSubstr("(18446744073709551615 bytes)"));
}

TEST(PositionCheckTest, PositionsUpToTheEndAndCapturesToTheEndPass) {
    EXPECT_EQ(Check({"--still", "0:29", "--out", "a.png"}), "");
    EXPECT_EQ(Check({"--still", std::to_string(kLength), "--out", "a.png"}), "");
    EXPECT_EQ(Check({"--start", "0:10", "--escape-at", "end"}), "");
    EXPECT_EQ(Check({"--escape-at", std::to_string(kLength)}), "");
    EXPECT_EQ(Check({"--capture", "d", "--from", "0:28"}), "");
    EXPECT_EQ(Check({"--capture", "d", "--from", "0:28", "--to", "end"}), "");
    EXPECT_EQ(Check({"--capture", "d", "--to", std::to_string(kLength)}), "");
}

TEST(PositionCheckTest, ACaptureSpanThatHoldsNothingIsRefused) {
    // --from at the very end leaves nothing before the end; bytes and times compare as bytes.
    EXPECT_THAT(Check({"--capture", "d", "--from", std::to_string(kLength)}),
                HasSubstr("the capture span is empty"));
    EXPECT_THAT(Check({"--capture", "d", "--from", "0:10", "--to", "1764000"}),
                HasSubstr("the capture span is empty: its end, 0:10.000 (1764000 bytes), must "
                          "lie after --from 0:10.000 (1764000 bytes)"));
    EXPECT_EQ(Check({"--capture", "d", "--from", "0:10", "--to", "1764004"}), "");
}

TEST(PositionCheckTest, DescribesPositionsInMinutesAndBytes) {
    EXPECT_EQ(app::DescribePosition(0, kStereo), "0:00.000 (0 bytes)");
    EXPECT_EQ(app::DescribePosition(42756096, kStereo), "4:02.381 (42756096 bytes)");
    EXPECT_EQ(app::DescribePosition(UINT64_MAX, kStereo),
              "1742889651711:01.857 (18446744073709551615 bytes)");
}

}  // namespace
