// Runs of the program whose command cannot give what it asks for end at once, with a usage
// error that says why, instead of a wrong picture, a mixed capture or a run that never ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/ProgramRun.h"
#include "support/ShowPack.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

const std::string kProgram = RUNEPLAY_PLAY_DIR "/runeplay";

class RunChecksTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "runchecks");
    }
    static void TearDownTestSuite() {
        testsupport::SuiteShowPack::Remove();
        if (!shortPack().empty()) fs::remove(shortPack());
    }
    static const std::string& pack() { return testsupport::SuiteShowPack::Path(); }

    // The show pack with its soundtrack cut to a tenth of its bytes.
    static std::string& shortPack() {
        static std::string path;
        return path;
    }
    static void WriteShortPack() {
        if (!shortPack().empty()) return;
        std::string error;
        const std::string path = pack() + ".short.dat";
        ASSERT_TRUE(testsupport::CopyPackEditing(
            pack(), path,
            [](const std::string& name, std::vector<uint8_t>& data) {
                if (name == "morvek.mp3") data.resize(data.size() / 10);
            },
            &error))
            << error;
        shortPack() = path;
    }

    testsupport::ProgramResult Run(const std::string& arguments, const std::string& packPath = "") {
        return testsupport::RunProgramIn(dir.path(), "'" + kProgram + "' --headless --pack '" +
                                                         (packPath.empty() ? pack() : packPath) +
                                                         "' " + arguments);
    }

    testsupport::TempDir dir;
};

// A soundtrack cut short: a still past its end would show what no run shows there.
TEST_F(RunChecksTest, PositionsPastTheEndOfAShortSoundtrackAreUsageErrors) {
    WriteShortPack();
    for (const std::string& args : {std::string("--still 2:00 --out a.png"),
                                    std::string("--still 18446744073709551615 "
                                                "--out a.png"),
                                    std::string("--capture cap --from 1:00 --to 1:01"),
                                    std::string("--audio none --start 4:40 --escape-at 9:00")}) {
        SCOPED_TRACE(args);
        const testsupport::ProgramResult r = Run(args, shortPack());
        EXPECT_EQ(r.status, 2) << r.output;
        EXPECT_THAT(r.output, testing::ContainsRegex(
                                  "lies past the end of the soundtrack, which is 0:2[0-9][.][0-9]+ "
                                  "\\([0-9]+ bytes\\) long"));
        EXPECT_EQ(testsupport::FilesIn(dir.path()), 0u);
    }
    // Within the track the still is made, with one warning that the soundtrack ends early.
    const testsupport::ProgramResult r = Run("--still 0:01 --out a.png --size 64x48", shortPack());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir.path() / "a.png"));
    const std::string warning = "runeplay: warning: the soundtrack ends at 0:2";
    ASSERT_THAT(r.output, HasSubstr(warning));
    EXPECT_EQ(r.output.find(warning, r.output.find(warning) + 1), std::string::npos) << r.output;
    EXPECT_THAT(r.output, HasSubstr("before the show's last part starts at 4:02.381"));
    // The whole soundtrack gives no warning.
    EXPECT_THAT(Run("--still 0:01 --out b.png --size 64x48").output, Not(HasSubstr("warning")));
}

TEST_F(RunChecksTest, AScriptedEscapeAtTheEndEndsTheRun) {
    // Just before the end of the track, so the run lasts about a second.
    const testsupport::ProgramResult probe = Run("--audio none --escape-at 99:00");
    ASSERT_EQ(probe.status, 2) << probe.output;
    const size_t at = probe.output.find("(", probe.output.find("which is"));
    ASSERT_NE(at, std::string::npos) << probe.output;
    const uint64_t length = std::stoull(probe.output.substr(at + 1));
    const std::string start = std::to_string(length - 176400);
    const testsupport::ProgramResult r =
        Run("--audio none --start " + start + " --escape-at end", "");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_THAT(r.output, Not(HasSubstr("Error")));
}

TEST_F(RunChecksTest, AStillMakesTheFoldersItGoesInto) {
    const testsupport::ProgramResult r = Run("--still 100 --out new/folders/s.png --size 64x48");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::is_regular_file(dir.path() / "new/folders/s.png"));
    EXPECT_THAT(r.output, HasSubstr("runeplay: wrote new/folders/s.png"));
}

// Standard output holds the picture alone, and a file it is appended to keeps what it held.
TEST_F(RunChecksTest, AStillToStandardOutputIsThePictureAlone) {
    std::ofstream(dir.path() / "out.bin") << "HEAD";
    const testsupport::ProgramResult r = testsupport::RunProgramIn(
        dir.path(), "'" + kProgram + "' --headless --pack '" + pack() +
                        "' --still 100 --out /dev/stdout --size 64x48 2>err.log >> out.bin");
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(dir.path() / "out.bin", std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(bytes.substr(0, 8), std::string("HEAD\x89PNG", 8));
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), "IEND");
    std::ifstream log(dir.path() / "err.log");
    EXPECT_THAT(std::string(std::istreambuf_iterator<char>(log), {}),
                HasSubstr("runeplay: wrote /dev/stdout"));
}

// A second capture into the folder of a first one would keep the first one's later frames,
// and the ffmpeg line would join both.
TEST_F(RunChecksTest, ACaptureIntoTheFolderOfAnEarlierOneNeedsOverwrite) {
    const std::string capture = "--capture \"it's\" --from 0 --to 11760 --fps 60 --size 64x48";
    testsupport::ProgramResult r = Run(capture);
    ASSERT_EQ(r.status, 0) << r.output;
    // The printed command works in a shell on a folder whose name holds a quote.
    EXPECT_THAT(r.output, HasSubstr("-i 'it'\\''s/frame_%06d.png' -i 'it'\\''s/soundtrack.wav'"));
    const fs::path folder = dir.path() / "it's";
    std::ofstream(folder / "frame_000009.png") << "from a longer run";
    std::ofstream(folder / "notes.txt") << "mine";

    r = Run(capture);
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_THAT(r.output, HasSubstr("holds 6 files of an earlier capture"));
    EXPECT_THAT(r.output, HasSubstr("--overwrite"));
    EXPECT_TRUE(fs::exists(folder / "frame_000009.png"));

    r = Run(capture + " --overwrite --to 5880");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(fs::exists(folder / "frame_000001.png"));
    for (const char* gone : {"frame_000002.png", "frame_000003.png", "frame_000009.png"})
        EXPECT_FALSE(fs::exists(folder / gone)) << gone;
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
}

// A long span at a high rate would fill the disk: refused after the first frame, with the
// estimate and the free space (held to what the test allows to be written).
TEST_F(RunChecksTest, ACaptureLargerThanTheFreeSpaceIsRefused) {
    // One frame, to know the size of the first.
    const testsupport::ProgramResult one = Run("--capture one --from 0 --to 4 --size 64x48");
    ASSERT_EQ(one.status, 0) << one.output;
    const uint64_t frameBytes = fs::file_size(dir.path() / "one" / "frame_000000.png");
    const testsupport::ProgramResult r = testsupport::RunProgramIn(
        dir.path(), "RUNEPLAY_WRITE_LIMIT=500000:big '" + kProgram + "' --headless --pack '" +
                        pack() + "' --capture big --from 0 --to 0:10 --fps 1000 --size 64x48");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output, HasSubstr("(" + std::to_string(frameBytes * 10000 + 44 + 1764000) +
                                    " bytes) (10000 frames like the first, of " +
                                    std::to_string(frameBytes) + " bytes, and the sound)"));
    EXPECT_THAT(r.output, HasSubstr("but its file system has only 500000 bytes free"));
    EXPECT_EQ(testsupport::FilesIn(dir.path() / "big"), 0u);
}

}  // namespace
