// The pieces of a video capture that need no rendering: what --capture names, how many frames
// a span holds, how a split capture divides them and what its processes are told.
#include "app/VideoCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/SplitCapture.h"
#include "support/TempDir.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;
using Kind = app::CaptureTarget::Kind;

app::Options Parse(const std::vector<std::string>& args) {
    const app::CommandLine c = app::ParseCommandLine(args);
    EXPECT_EQ(c.action, app::CommandLine::Action::Run) << c.message;
    return c.options;
}

TEST(CaptureTargetTest, ExtensionsPickTheContainerAndFoldersStayFolders) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "old.mp4");
    auto kind = [](const std::string& path) {
        return app::ClassifyCaptureTarget(Parse({"--capture", path}));
    };
    EXPECT_EQ(kind("show.mp4").kind, Kind::Video);
    EXPECT_EQ(kind("show.mp4").container, video::Container::Mp4);
    EXPECT_EQ(kind("out/Show.MKV").container, video::Container::Mkv);
    EXPECT_EQ(kind("frames").kind, Kind::Folder);
    EXPECT_EQ(kind("take.2/").kind, Kind::Folder);
    EXPECT_EQ(kind(dir.file("old.mp4")).kind, Kind::Folder);  // an existing folder
    const app::CaptureTarget avi = kind("take.2/show.avi");
    EXPECT_EQ(avi.kind, Kind::Unknown);
    EXPECT_EQ(avi.extension, ".avi");
    EXPECT_THAT(app::UnknownCaptureExtension("take.2/show.avi", ".avi"),
                HasSubstr("\"take.2/show.avi\" cannot be written: \".avi\""));
    EXPECT_EQ(
        app::ClassifyCaptureTarget(Parse({"--capture", ".x.mp4.part-1-0", "--part", "0,5"})).kind,
        Kind::Part);
}

TEST(VideoFrameCountTest, IsTheSpanInFramesToTheNearest) {
    const audio::TrackFormat stereo44{44100, 2};
    auto frames = [&](uint64_t from, uint64_t to, int fps) {
        app::CapturePlan plan;
        plan.grid = app::FrameGrid{stereo44, fps, from};
        plan.to = to;
        return app::VideoFrameCount(plan);
    };
    EXPECT_EQ(frames(0, 176400, 60), 60u);
    EXPECT_EQ(frames(1000, 1000 + 10 * 176400, 24), 240u);
    // 1.03 s at 24 fps: 24.72 frames, so 25; 1.01 s: 24.24, so 24.
    EXPECT_EQ(frames(0, 45423 * 4, 24), 25u);
    EXPECT_EQ(frames(0, 44541 * 4, 24), 24u);
    // Exactly half a frame rounds up; less than half a frame is none.
    EXPECT_EQ(frames(0, 1470 * 4, 15), 1u);
    EXPECT_EQ(frames(0, 1469 * 4, 15), 0u);
    EXPECT_EQ(frames(5000, 5000, 60), 0u);
}

TEST(SplitCaptureTest, PartsAreConsecutiveAndEvenToAFrame) {
    auto parts = [](uint64_t frames, int jobs) {
        std::vector<std::pair<uint64_t, uint64_t>> out;
        for (const app::Options::Part& p : app::SplitFrames(frames, jobs))
            out.emplace_back(p.first, p.count);
        return out;
    };
    using P = std::pair<uint64_t, uint64_t>;
    EXPECT_THAT(parts(10, 3), ElementsAre(P{0, 4}, P{4, 3}, P{7, 3}));
    EXPECT_THAT(parts(1200, 2), ElementsAre(P{0, 600}, P{600, 600}));
    EXPECT_THAT(parts(2, 4), ElementsAre(P{0, 1}, P{1, 1}));  // no empty parts
    EXPECT_THAT(parts(7, 1), ElementsAre(P{0, 7}));
}

TEST(SplitCaptureTest, ProcessesGetTheSameSettingsHeadlessWithTheirPart) {
    const app::Options o = Parse({"--pack", "p.dat", "--windowed", "--capture=show.mp4", "--from",
                                  "1:00", "--to", "1:20", "--fps", "30", "--crf", "20", "--size",
                                  "1280x720", "--jobs", "2", "--overwrite"});
    EXPECT_THAT(app::PartArguments(o, "/tmp/.show.mp4.part-9-1", app::Options::Part{300, 300}),
                ElementsAre("--pack", "p.dat", "--from", "1:00", "--to", "1:20", "--fps", "30",
                            "--crf", "20", "--size", "1280x720", "--headless", "--capture",
                            "/tmp/.show.mp4.part-9-1", "--part", "300,300"));
    // What a process's progress line says it has done.
    EXPECT_EQ(app::FramesInProgressLine("capture: 12/300 frames, 3.1 frames/s, 1:30 left   "), 12u);
    EXPECT_EQ(app::FramesInProgressLine("pre-roll: 12/300 frames"), std::nullopt);
    EXPECT_EQ(app::FramesInProgressLine("capture: 12 frames"), std::nullopt);
    EXPECT_EQ(app::FramesInProgressLine("Error!!!: capture: 1/2"), std::nullopt);
}

TEST(VideoOptionsTest, QualityProcessesAndPartsBelongToCaptures) {
    const app::Options o = Parse({"--capture", "a.mkv", "--crf", "0", "--jobs", "4"});
    EXPECT_EQ(o.captureCrf, 0);
    EXPECT_EQ(o.captureJobs, 4);
    const app::Options p = Parse({"--capture", "p", "--part", "600,300"});
    ASSERT_TRUE(p.capturePart);
    EXPECT_EQ(p.capturePart->first, 600u);
    EXPECT_EQ(p.capturePart->count, 300u);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--capture", "a.mp4", "--crf", "52"},
             {"--capture", "a.mp4", "--crf", "-1"},
             {"--capture", "a.mp4", "--jobs", "0"},
             {"--capture", "a.mp4", "--jobs", "65"},
             {"--capture", "a.mp4", "--part", "5"},
             {"--capture", "a.mp4", "--part", "5,0"},
             {"--capture", "a.mp4", "--part", "0,5", "--jobs", "2"},
             {"--crf", "18"},
             {"--jobs", "2"},
         }) {
        const app::CommandLine c = app::ParseCommandLine(bad);
        EXPECT_EQ(c.exitStatus, app::kUsageExitStatus) << bad[0] << " " << bad.back();
    }
    // The processes' own option is not offered to users.
    EXPECT_THAT(app::Usage(), HasSubstr("--jobs N"));
    EXPECT_THAT(app::Usage(), HasSubstr("--crf N"));
    EXPECT_THAT(app::Usage(), Not(HasSubstr("--part")));
}

}  // namespace
