#include "platform/OutputFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

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

// A "disk" mounted at one folder: files below it fill it, others are not counted, and the
// free space below it is what is left of the limit.
TEST_F(OutputFileTest, ALimitOnAFolderCountsOnlyTheFilesBelowIt) {
    fs::create_directories(dir_ / "disk" / "deep");
    platform::SetWriteLimitForTesting(10, (dir_ / "disk").string());
    std::string error;
    EXPECT_TRUE(
        platform::WriteWholeFile((dir_ / "outside").string(), "0123456789abcdef", 16, &error));
    EXPECT_TRUE(platform::WriteWholeFile((dir_ / "disk" / "a").string(), "012345", 6, &error));
    EXPECT_EQ(platform::FreeSpace((dir_ / "disk" / "deep").string()), 4u);
    EXPECT_FALSE(
        platform::WriteWholeFile((dir_ / "disk" / "deep" / "b").string(), "01234", 5, &error));
    EXPECT_EQ(error, "No space left on device");
    EXPECT_FALSE(fs::exists(dir_ / "disk" / "deep" / "b"));
    // A name that only begins like the folder is outside it.
    EXPECT_TRUE(platform::WriteWholeFile((dir_ / "diskette").string(), "01234", 5, &error));
    const std::optional<uint64_t> outside = platform::FreeSpace(dir_.string());
    ASSERT_TRUE(outside);
    EXPECT_GT(*outside, 4u);
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

// Standard output redirected into a file: --out /dev/stdout >> log goes on after what the
// file holds, in the very file the shell opened, never a new one renamed over it.
TEST_F(OutputFileTest, StandardOutputIsWrittenWhereTheStreamStands) {
    const fs::path log = dir_ / "log";
    const int appended = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(appended, 0);
    ASSERT_EQ(write(appended, "HEAD", 4), 4);
    struct stat before {};
    ASSERT_EQ(fstat(appended, &before), 0);
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    dup2(appended, STDOUT_FILENO);
    std::string writingPath;
    bool written = false;
    {
        platform::OutputFile file;
        written = file.Open("/dev/stdout") && file.Write("PNG", 3) && file.Commit();
        writingPath = file.writingPath();
    }
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(appended);
    EXPECT_TRUE(written);
    EXPECT_EQ(writingPath, "/dev/stdout");
    EXPECT_EQ(Read(log), "HEADPNG");
    struct stat after {};
    ASSERT_EQ(stat(log.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(), 1u);
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
