// Fault injection: the program and the tools run against writes that fail, a full device
// (/dev/full) and a disk that fills after so many bytes (RUNEPLAY_WRITE_LIMIT, which every
// file write of the process counts against). Whatever the point of failure: a non-zero exit,
// a message naming the file and the system's reason, and no cut-off or temporary file left.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/ImageCompare.h"
#include "support/ProgramRun.h"
#include "support/ShowPack.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using testing::ContainsRegex;
using testing::HasSubstr;
using testing::Not;

const std::string kProgram = RUNEPLAY_PLAY_DIR "/runeplay";
const std::string kPacktool = RUNEPLAY_BIN_DIR "/packtool";
const std::string kShadertool = RUNEPLAY_BIN_DIR "/shadertool";
const char* const kNoSpace = "No space left on device";

// The environment of a run whose disk (every file, or those below FOLDER) fills after `bytes`.
std::string Limited(uint64_t bytes, const std::string& folder = "") {
    return "RUNEPLAY_WRITE_LIMIT=" + std::to_string(bytes) + (folder.empty() ? "" : ":" + folder) +
           " ";
}

// Every file under `folder` is whole: no temporary file of a write, every PNG decodes, a WAV
// holds what its header says.
void ExpectOnlyWholeFiles(const fs::path& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) continue;
        const std::string name = entry.path().filename().string();
        EXPECT_NE(name[0], '.') << "temporary file left: " << entry.path();
        if (entry.path().extension() == ".png") {
            testsupport::RgbImage image;
            std::string error;
            EXPECT_TRUE(testsupport::LoadPng(entry.path().string(), image, &error))
                << entry.path() << ": " << error;
        } else if (entry.path().extension() == ".wav") {
            std::ifstream in(entry.path(), std::ios::binary);
            uint8_t header[8] = {};
            in.read(reinterpret_cast<char*>(header), 8);
            const uint64_t riff = header[4] | header[5] << 8 | header[6] << 16 |
                                  static_cast<uint64_t>(header[7]) << 24;
            EXPECT_EQ(fs::file_size(entry.path()), riff + 8) << entry.path();
        }
    }
}

class WriteFailuresTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        testsupport::SuiteShowPack::Write(RUNEPLAY_PLAY_DIR "/kelvra.dat", "writefailures");
    }
    static void TearDownTestSuite() { testsupport::SuiteShowPack::Remove(); }

    testsupport::ProgramResult Runeplay(const std::string& arguments,
                                        const std::string& environment = "") {
        return testsupport::RunProgramIn(dir.path(),
                                         environment + "'" + kProgram + "' --headless --pack '" +
                                             testsupport::SuiteShowPack::Path() + "' " + arguments);
    }

    testsupport::TempDir dir;
};

TEST_F(WriteFailuresTest, AStillOntoAFullDeviceIsAFatalErrorNotSuccess) {
    const testsupport::ProgramResult r = Runeplay("--still 2:00 --out /dev/full --size 64x48");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output, HasSubstr(std::string("Error!!!: The still \"/dev/full\" cannot be "
                                                "written: ") +
                                    kNoSpace));
    EXPECT_THAT(r.output, Not(HasSubstr("wrote")));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// The disk is full from the start: the scene logs are said once, the still is refused, and
// the folder is left empty.
TEST_F(WriteFailuresTest, AStillOntoAFullDiskLeavesNothing) {
    const testsupport::ProgramResult r =
        Runeplay("--still 100 --out s.png --size 64x48", Limited(0));
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output,
                HasSubstr(std::string("The still \"s.png\" cannot be written: ") + kNoSpace));
    EXPECT_THAT(r.output,
                HasSubstr(std::string("Cannot write the scene log engine.log: ") + kNoSpace));
    EXPECT_EQ(testsupport::FilesIn(dir.path()), 0u);
}

// The capture folder is a small disk that fills at different points: the first frame, the
// estimate against the free space, soundtrack.wav. Every run fails, names what it could not
// write and why, and leaves only whole files.
TEST_F(WriteFailuresTest, ACaptureOntoADiskThatFillsLeavesOnlyWholeFiles) {
    // One frame a second as the title fades in: the first frame, black, is the smallest, so
    // the estimate from it leaves room that only the sound can overrun.
    const std::string capture = "--capture cap --from 0 --to 0:04 --fps 1 --size 64x48";
    testsupport::ProgramResult r = Runeplay(capture);
    ASSERT_EQ(r.status, 0) << r.output;
    const fs::path cap = dir.path() / "cap";
    uint64_t frames = 0;
    for (int k = 0; k < 4; ++k)
        frames += fs::file_size(cap / ("frame_00000" + std::to_string(k) + ".png"));
    const uint64_t first = fs::file_size(cap / "frame_000000.png");
    const uint64_t wav = fs::file_size(cap / "soundtrack.wav");
    const uint64_t estimate = 4 * first + wav;

    struct Case {
        uint64_t limit;
        std::string failure;
    };
    std::vector<Case> cases = {
        {0, "The frame \"cap/frame_000000.png\" cannot be written: No space left on device"},
        {first + 1, "The capture into \"cap\" needs about " + std::to_string(estimate) +
                        " bytes (4 frames like the first, of " + std::to_string(first) +
                        " bytes, and the sound), but its file system has only " +
                        std::to_string(first + 1) + " bytes free"}};
    // Room for the estimate and the frames, not for the sound as well.
    if (std::max(estimate, frames) < frames + wav)
        cases.push_back({std::max(estimate, frames),
                         "\"cap/soundtrack.wav\" cannot be written: No space left on device"});
    for (const Case& c : cases) {
        SCOPED_TRACE("limit " + std::to_string(c.limit));
        r = Runeplay(capture + " --overwrite", Limited(c.limit, "cap"));
        EXPECT_EQ(r.status, 3) << r.output;
        EXPECT_THAT(r.output, HasSubstr("Error!!!: " + c.failure));
        EXPECT_THAT(r.output, Not(HasSubstr("runeplay: wrote")));
        EXPECT_THAT(r.output, Not(HasSubstr("scene log")));  // the logs lie outside the disk
        ExpectOnlyWholeFiles(dir.path());
    }
    EXPECT_EQ(cases.size(), 3u) << "the first frame is not the smallest: no case for the sound";
}

TEST_F(WriteFailuresTest, PacktoolBuildAndExtractOntoAFullDisk) {
    const std::string source = RUNEPLAY_TEST_DATA "/minipack";
    testsupport::ProgramResult r = testsupport::RunProgramIn(
        dir.path(), "'" + kPacktool + "' build '" + source + "' /dev/full");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output, HasSubstr(std::string("packtool: cannot write /dev/full: ") + kNoSpace));

    r = testsupport::RunProgramIn(
        dir.path(), Limited(100) + "'" + kPacktool + "' build '" + source + "' mini.dat");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output, HasSubstr(std::string("packtool: cannot write mini.dat: ") + kNoSpace));
    EXPECT_EQ(testsupport::FilesIn(dir.path()), 0u);

    r = testsupport::RunProgramIn(dir.path(),
                                  "'" + kPacktool + "' build '" + source + "' mini.dat");
    ASSERT_EQ(r.status, 0) << r.output;
    r = testsupport::RunProgramIn(dir.path(),
                                  Limited(100) + "'" + kPacktool + "' extract mini.dat out");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output,
                ContainsRegex(std::string("packtool: cannot write out/[^:]+: ") + kNoSpace));
    EXPECT_EQ(testsupport::FilesIn(dir.path()), 1u);  // mini.dat only
}

TEST_F(WriteFailuresTest, ShadertoolOntoAFullDisk) {
    const std::string source = RUNEPLAY_TEST_DATA "/../../content/shaders/shading2.psa";
    testsupport::ProgramResult r = testsupport::RunProgramIn(
        dir.path(), "'" + kShadertool + "' asm '" + source + "' -o /dev/full");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output,
                HasSubstr(std::string("shadertool: cannot write /dev/full: ") + kNoSpace));
    r = testsupport::RunProgramIn(
        dir.path(), Limited(8) + "'" + kShadertool + "' asm '" + source + "' -o s.pso");
    EXPECT_EQ(r.status, 3) << r.output;
    EXPECT_THAT(r.output, HasSubstr(std::string("shadertool: cannot write s.pso: ") + kNoSpace));
    EXPECT_EQ(testsupport::FilesIn(dir.path()), 0u);
}

}  // namespace
