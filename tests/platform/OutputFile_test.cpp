#include "platform/OutputFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("outputfile_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        platform::SetWriteLimitForTesting(std::nullopt);
        fs::remove_all(dir_);
    }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_;
};

TEST_F(OutputFileTest, TargetAppearsOnlyAtCommitAndReplacesTheOldFileWhole) {
    const fs::path target = dir_ / "frame.png";
    {
        std::ofstream old(target);
        old << "the old picture, longer than the new one";
    }
    platform::OutputFile file;
    ASSERT_TRUE(file.Open(target.string()));
    EXPECT_NE(file.writingPath(), target.string());
    ASSERT_TRUE(file.Write("new", 3));
    EXPECT_EQ(Read(target), "the old picture, longer than the new one");  // untouched so far
    ASSERT_TRUE(file.Commit()) << file.error();
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(Entries(), 1u);  // no temporary file left
}

TEST_F(OutputFileTest, AFileNotCommittedLeavesNothingBehind) {
    {
        platform::OutputFile file;
        ASSERT_TRUE(file.Open((dir_ / "cut.wav").string()));
        ASSERT_TRUE(file.Write("RIFF", 4));
    }
    EXPECT_EQ(Entries(), 0u);
}

// A full disk: the write fails with the system's reason, the commit refuses, and neither the
// target nor the temporary file remains.
// Containers go back to fill in sizes once the data behind them is written.
TEST_F(OutputFileTest, SeekingBackOverwritesInPlaceAndAPipeCannotSeek) {
    const fs::path target = dir_ / "video.mp4";
    platform::OutputFile file;
    ASSERT_TRUE(file.Open(target.string()));
    ASSERT_TRUE(file.Write("size????data", 12));
    ASSERT_TRUE(file.Seek(4));
    ASSERT_TRUE(file.Write("0008", 4));
    ASSERT_TRUE(file.Seek(12));
    ASSERT_TRUE(file.Write("!", 1));
    ASSERT_TRUE(file.Commit()) << file.error();
    EXPECT_EQ(Read(target), "size0008data!");

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string pipePath = "/proc/self/fd/" + std::to_string(fds[1]);
    platform::OutputFile piped;
    ASSERT_TRUE(piped.Open(pipePath)) << piped.error();
    EXPECT_FALSE(piped.Seek(0));
    EXPECT_EQ(piped.error(), "Illegal seek");
    EXPECT_FALSE(piped.Write("x", 1));  // the first failure sticks
    close(fds[0]);
    close(fds[1]);
}

TEST_F(OutputFileTest, AFullDiskIsReportedWithTheSystemsReasonAndLeavesNoFile) {
    platform::SetWriteLimitForTesting(10);
    const fs::path target = dir_ / "still.png";
    platform::OutputFile file;
    ASSERT_TRUE(file.Open(target.string()));
    EXPECT_TRUE(file.Write("0123456", 7));
    EXPECT_FALSE(file.Write("789abc", 6));
    EXPECT_FALSE(file.Write("more", 4));  // stays failed
    EXPECT_EQ(file.error(), "No space left on device");
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.error(), "No space left on device");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(Entries(), 0u);

    std::string error;
    EXPECT_FALSE(platform::WriteWholeFile((dir_ / "b").string(), "x", 1, &error));
    EXPECT_EQ(error, "No space left on device");
}

TEST_F(OutputFileTest, AMissingFolderOrAnUnwritableOneIsRefusedAtOpen) {
    platform::OutputFile file;
    EXPECT_FALSE(file.Open((dir_ / "no" / "such" / "folder.png").string()));
    EXPECT_EQ(file.error(), "No such file or directory");
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_FALSE(file.Commit());

    if (geteuid() != 0) {  // root writes anywhere
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(file.Open((dir_ / "x.png").string()));
        EXPECT_EQ(file.error(), "Permission denied");
        fs::permissions(dir_, fs::perms::owner_all);
    }
}

// Devices cannot be replaced by a rename: they are written in place, and /dev/full fails.
TEST_F(OutputFileTest, DevicesAreWrittenInPlace) {
    platform::OutputFile null;
    ASSERT_TRUE(null.Open("/dev/null"));
    EXPECT_EQ(null.writingPath(), "/dev/null");
    EXPECT_TRUE(null.Write("abc", 3));
    EXPECT_TRUE(null.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    std::string error;
    EXPECT_FALSE(platform::WriteWholeFile("/dev/full", "abc", 3, &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(OutputFileTest, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
    const fs::path real = dir_ / "real.png";
    const fs::path link = dir_ / "link.png";
    {
        std::ofstream old(real);
        old << "old";
    }
    fs::create_symlink(real, link);
    std::string error;
    ASSERT_TRUE(platform::WriteWholeFile(link.string(), "new", 3, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
}

TEST_F(OutputFileTest, ANewFileGetsTheUsualPermissionsAndAReplacedOneKeepsItsOwn) {
    const fs::path fresh = dir_ / "fresh.png";
    std::string error;
    ASSERT_TRUE(platform::WriteWholeFile(fresh.string(), "x", 1, &error));
    const mode_t mask = umask(0);
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);

    chmod(fresh.c_str(), 0640);
    ASSERT_TRUE(platform::WriteWholeFile(fresh.string(), "y", 1, &error));
    ASSERT_EQ(stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
