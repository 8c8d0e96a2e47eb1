#include "assets/PackArchive.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/PackWriter.h"
#include "support/RawPack.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

namespace {

using assets::FreePackEntry;
using assets::PackArchive;
using assets::PackEntry;
using assets::PackWriter;
using testing::HasSubstr;
using testsupport::ReportCapture;
using testsupport::TempDir;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class PackArchiveTest : public testing::Test {
  protected:
    std::string WritePack(const PackWriter& writer, const std::string& name = "test.dat") {
        std::string path = dir.file(name);
        std::string error;
        EXPECT_TRUE(writer.WriteFile(path, &error)) << error;
        return path;
    }
    std::string WriteRaw(const std::vector<uint8_t>& bytes, const std::string& name = "raw.dat") {
        std::string path = dir.file(name);
        testsupport::WriteBytes(path, bytes);
        return path;
    }
    std::string ReadString(PackArchive& pack, const std::string& name) {
        uint8_t* block = pack.Read(name);
        if (!block) return "<null>";
        std::string s(reinterpret_cast<char*>(block), pack.lastSize);
        FreePackEntry(block);
        return s;
    }

    TempDir dir;
    ReportCapture reports;
};

TEST_F(PackArchiveTest, OpensDirectoryAndReadsEntries) {
    PackWriter w;
    w.Add("!textures\\some.jpg", Bytes("picture"));
    w.Add("Objs\\szk.3ds", Bytes("scene data"));
    w.Add("morvek.mp3", Bytes("music"));
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    ASSERT_EQ(pack.entryCount(), 3);
    EXPECT_EQ(pack.entries()[1].name, "Objs\\szk.3ds");
    EXPECT_EQ(pack.entries()[1].size, 10u);
    EXPECT_EQ(ReadString(pack, "Objs\\szk.3ds"), "scene data");
    EXPECT_EQ(ReadString(pack, "morvek.mp3"), "music");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(PackArchiveTest, LookupFoldsOnlyAsciiLetters) {
    PackWriter w;
    w.Add("!Textures\\Some.JPG", Bytes("a"));
    w.Add("caf\xC9.txt", Bytes("b"));  // a byte above ASCII keeps its value
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    EXPECT_EQ(ReadString(pack, "!textures\\some.jpg"), "a");
    EXPECT_EQ(ReadString(pack, "!TEXTURES\\SOME.JPG"), "a");
    EXPECT_EQ(ReadString(pack, "CAF\xC9.TXT"), "b");
    EXPECT_EQ(pack.Lookup("caf\xE9.txt"), nullptr);
    // '[' and '{' differ by 32 like letters do, but are not letters.
    EXPECT_EQ(pack.Lookup("!textures{some.jpg"), nullptr);
}

TEST_F(PackArchiveTest, FirstOfNamesDifferingOnlyInCaseWins) {
    // Made by hand: the writer refuses such names, but a pack from elsewhere may hold them.
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WriteRaw(testsupport::RawPack({{"Dup.bin", Bytes("first")},
                                                         {"DUP.BIN", Bytes("second")},
                                                         {"dup.bin", Bytes("third")}}))));
    EXPECT_EQ(ReadString(pack, "dup.bin"), "first");
    EXPECT_EQ(ReadString(pack, "DUP.BIN"), "first");
    PackEntry e;
    ASSERT_TRUE(pack.Find("dUp.BiN", e));
    EXPECT_EQ(e.name, "Dup.bin");
}

TEST_F(PackArchiveTest, NameLengthLimits) {
    const std::string longest(49, 'n');
    PackWriter w;
    w.Add(longest, Bytes("49"));
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    EXPECT_EQ(ReadString(pack, longest), "49");

    // 254 characters are accepted for lookup (and simply not found) ...
    EXPECT_EQ(pack.Read(std::string(254, 'x')), nullptr);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("is not in the pack file"));
    // ... 255 are refused as too long.
    EXPECT_EQ(pack.Read(std::string(255, 'x')), nullptr);
    ASSERT_EQ(reports.fatals.size(), 2u);
    EXPECT_THAT(reports.fatals[1], HasSubstr("longer than 254"));
    EXPECT_EQ(pack.Lookup(std::string(255, 'x')), nullptr);
}

TEST_F(PackArchiveTest, EmptyEntryGivesValidBlock) {
    PackWriter w;
    w.Add("empty", std::vector<uint8_t>{});
    w.Add("after", Bytes("x"));
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    uint8_t* block = pack.Read("empty");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(pack.lastSize, 0u);
    EXPECT_EQ(pack.lastData, block);
    FreePackEntry(block);
    EXPECT_TRUE(reports.fatals.empty());
}

TEST_F(PackArchiveTest, LastSizeAndDataDescribeOnlyTheLatestRead) {
    PackWriter w;
    w.Add("one", Bytes("1111"));
    w.Add("two", Bytes("22"));
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    uint8_t* first = pack.Read("one");
    uint8_t* second = pack.Read("two");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(pack.lastSize, 2u);
    EXPECT_EQ(pack.lastData, second);
    EXPECT_EQ(std::memcmp(first, "1111", 4), 0);  // the first block is still the caller's
    FreePackEntry(first);
    FreePackEntry(second);
}

TEST_F(PackArchiveTest, EveryReadOpensTheFileAgain) {
    PackWriter w;
    w.Add("entry", Bytes("before"));
    PackArchive pack;
    const std::string path = WritePack(w);
    ASSERT_TRUE(pack.Open(path));
    std::vector<uint8_t> bytes = testsupport::ReadBytes(path);
    std::memcpy(bytes.data() + bytes.size() - 6, "after!", 6);
    testsupport::WriteBytes(path, bytes);
    EXPECT_EQ(ReadString(pack, "entry"), "after!");

    // Cut short after opening: the read notices rather than returning short data.
    bytes.resize(bytes.size() - 3);
    testsupport::WriteBytes(path, bytes);
    EXPECT_EQ(pack.Read("entry"), nullptr);
    EXPECT_EQ(pack.lastSize, 0u);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("\"entry\""));
    EXPECT_THAT(reports.fatals[0], HasSubstr("lies outside the file"));

    std::filesystem::remove(path);
    EXPECT_EQ(pack.Read("entry"), nullptr);
    ASSERT_EQ(reports.fatals.size(), 2u);
    EXPECT_THAT(reports.fatals[1], HasSubstr("Cannot open the pack file"));
}

TEST_F(PackArchiveTest, MissingNameIsReportedLowerCasedWithThePack) {
    PackWriter w;
    w.Add("present", Bytes("x"));
    PackArchive pack;
    const std::string path = WritePack(w);
    ASSERT_TRUE(pack.Open(path));
    PackEntry out;
    out.offset = 77;
    EXPECT_FALSE(pack.Find("!Textures\\Missing.JPG", out));
    EXPECT_EQ(out.offset, 77u);  // untouched
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("\"!textures\\missing.jpg\""));
    EXPECT_THAT(reports.fatals[0], HasSubstr(path));
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_THAT(reports.reports[0], testing::StartsWith("Error!!!: "));

    EXPECT_EQ(pack.Read("Missing"), nullptr);
    EXPECT_EQ(pack.lastSize, 0u);
    EXPECT_EQ(pack.lastData, nullptr);
    std::vector<uint8_t> v{1, 2};
    EXPECT_FALSE(pack.ReadInto("missing", v));
    EXPECT_TRUE(v.empty());
}

TEST_F(PackArchiveTest, ReadIntoCopiesTheEntry) {
    PackWriter w;
    w.Add("data", Bytes("abc"));
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(w)));
    std::vector<uint8_t> v;
    ASSERT_TRUE(pack.ReadInto("DATA", v));
    EXPECT_EQ(v, Bytes("abc"));
}

// Each damaged file is refused at Open with the file and the fault named; the archive stays
// empty and a later read reports instead of reading.
struct DamageCase {
    const char* label;
    std::vector<uint8_t> bytes;
    const char* fault;
};

std::vector<DamageCase> DamageCases() {
    std::vector<DamageCase> cases;
    { cases.push_back({"short", {1, 0}, "too short for its entry count"}); }
    {
        std::vector<uint8_t> b;
        PutU32(b, 0xFFFFFFFFu);
        cases.push_back({"negative", b, "negative entry count -1"});
    }
    {
        std::vector<uint8_t> b;
        PutU32(b, 1000000);
        b.resize(200, 0);
        cases.push_back({"absurd", b, "entry count of 1000000 cannot fit"});
    }
    {
        std::vector<uint8_t> b;
        PutU32(b, 2);
        PutU32(b, 0);
        PutU32(b, 0);
        for (char c : std::string("abcdefghij")) b.push_back(static_cast<uint8_t>(c));
        b.push_back(0);
        PutU32(b, 0);  // the second record stops after its offset
        cases.push_back({"past end", b, "runs past the end of the file at entry 2 of 2"});
    }
    {
        std::vector<uint8_t> b;
        PutU32(b, 1);
        PutU32(b, 0);
        PutU32(b, 0);
        for (int i = 0; i < 50; ++i) b.push_back('n');  // 50 bytes, no NUL
        b.push_back(0);
        b.resize(120, 0);
        cases.push_back({"long name", b, "has no end within 50 bytes"});
    }
    {
        std::vector<uint8_t> b;
        PutU32(b, 1);
        PutU32(b, 10);
        PutU32(b, 100);  // 10 + 100 > file size
        for (char c : std::string("big.bin")) b.push_back(static_cast<uint8_t>(c));
        b.push_back(0);
        b.resize(40, 0);
        cases.push_back(
            {"outside", b,
             "entry \"big.bin\" (offset 10, size 100) lies outside the file (40 bytes)"});
    }
    {
        std::vector<uint8_t> b;
        PutU32(b, 1);
        PutU32(b, 0xFFFFFFF0u);
        PutU32(b, 0x20);  // offset + size overflows 32 bits
        b.push_back('w');
        b.push_back(0);
        b.resize(64, 0);
        cases.push_back({"wrapping", b, "lies outside the file"});
    }
    return cases;
}

TEST_F(PackArchiveTest, DamagedFilesAreReportedNotRead) {
    for (const DamageCase& c : DamageCases()) {
        SCOPED_TRACE(c.label);
        reports.fatals.clear();
        const std::string path = WriteRaw(c.bytes, std::string("damaged-") + c.label + ".dat");
        PackArchive pack;
        EXPECT_FALSE(pack.Open(path));
        EXPECT_EQ(pack.entryCount(), 0);
        ASSERT_EQ(reports.fatals.size(), 1u);
        EXPECT_THAT(reports.fatals[0], HasSubstr(path));
        EXPECT_THAT(reports.fatals[0], HasSubstr(c.fault));
        EXPECT_EQ(pack.Read("a"), nullptr);
        ASSERT_EQ(reports.fatals.size(), 2u);
        EXPECT_THAT(reports.fatals[1], HasSubstr("no pack file is open"));
    }
}

TEST_F(PackArchiveTest, MissingOrUnreadablePackFile) {
    PackArchive pack;
    EXPECT_FALSE(pack.Open(dir.file("nowhere.dat")));
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("Cannot open the pack file"));
    EXPECT_THAT(reports.fatals[0], HasSubstr("nowhere.dat"));

    EXPECT_FALSE(pack.Open(dir.path().string()));  // a folder
    ASSERT_EQ(reports.fatals.size(), 2u);
    EXPECT_THAT(reports.fatals[1], HasSubstr("not a regular file"));

    std::string error;
    EXPECT_FALSE(pack.TryOpen(dir.file("nowhere.dat"), &error));
    EXPECT_THAT(error, HasSubstr("cannot open the pack file"));
    EXPECT_EQ(reports.fatals.size(), 2u);  // TryOpen reports nothing
}

TEST_F(PackArchiveTest, EmptyPackOpens) {
    PackArchive pack;
    ASSERT_TRUE(pack.Open(WritePack(PackWriter())));
    EXPECT_EQ(pack.entryCount(), 0);
    EXPECT_EQ(pack.Read("morvek.mp3"), nullptr);
    ASSERT_EQ(reports.fatals.size(), 1u);
    EXPECT_THAT(reports.fatals[0], HasSubstr("\"morvek.mp3\" is not in the pack file"));
}

// Every single damaged byte of a small pack: Open either refuses it with a report or gives a
// directory whose every entry lies inside the file and reads back. Never a crash or overread
// (the sanitizer build checks the latter).
TEST_F(PackArchiveTest, SurvivesEveryCorruptedByte) {
    PackWriter w;
    w.Add("alpha.txt", Bytes("first entry"));
    w.Add("Objs\\beta.3ds", Bytes("second"));
    w.Add("c", std::vector<uint8_t>{});
    const std::vector<uint8_t> good = w.Build();
    const size_t directoryEnd = good.size() - 17;
    for (size_t i = 0; i < directoryEnd; ++i) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            std::vector<uint8_t> bytes = good;
            bytes[i] = value;
            const std::string path = WriteRaw(bytes, "corrupt.dat");
            reports.fatals.clear();
            PackArchive pack;
            if (!pack.Open(path)) {
                EXPECT_EQ(reports.fatals.size(), 1u) << "byte " << i;
                continue;
            }
            for (const PackEntry& e : pack.entries()) {
                EXPECT_LE(uint64_t{e.offset} + e.size, bytes.size()) << "byte " << i;
                std::vector<uint8_t> data;
                std::string error;
                EXPECT_TRUE(pack.TryReadEntry(e, data, &error)) << error;
            }
        }
    }
}

TEST_F(PackArchiveTest, GlobalPackAndReadPackEntry) {
    PackWriter w;
    w.Add("morvek.mp3", Bytes("mp3!"));
    ASSERT_TRUE(assets::GlobalPack().Open(WritePack(w)));
    uint8_t* block = ReadPackEntry("MORVEK.MP3");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(assets::GlobalPack().lastSize, 4u);
    EXPECT_EQ(std::memcmp(block, "mp3!", 4), 0);
    FreePackEntry(block);
    FreePackEntry(nullptr);
}

TEST(PackWriterTest, RefusesNamesTheReaderCannotHold) {
    PackWriter w;
    EXPECT_THROW(w.Add("", Bytes("x")), std::invalid_argument);
    EXPECT_THROW(w.Add(std::string(50, 'n'), Bytes("x")), std::invalid_argument);
    EXPECT_NO_THROW(w.Add(std::string(49, 'n'), Bytes("x")));
}

TEST(PackWriterTest, RefusesANameThatDiffersFromAnEarlierOneOnlyInCase) {
    PackWriter w;
    w.Add("Objs\\szk.3ds", Bytes("a"));
    w.Add("Nrm\\Ring.nrm", Bytes("b"));
    try {
        w.Add("objs\\SZK.3DS", Bytes("c"));
        ADD_FAILURE() << "accepted a name the reader cannot tell from an earlier one";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("\"objs\\SZK.3DS\""));
        EXPECT_THAT(e.what(), HasSubstr("\"Objs\\szk.3ds\""));
    }
    EXPECT_THROW(w.Add("Nrm\\Ring.nrm", Bytes("d")), std::invalid_argument);
    // Folding touches only ASCII letters, so these are different names.
    EXPECT_NO_THROW(w.Add("Nrm\\Ring[.nrm", Bytes("e")));
    EXPECT_NO_THROW(w.Add("Nrm\\Ring{.nrm", Bytes("f")));
    EXPECT_NO_THROW(w.Add("Objs\\szk.3ds2", Bytes("g")));
    // A refused name leaves the pack as it was.
    EXPECT_EQ(w.size(), 5u);
    const std::vector<uint8_t> built = w.Build();
    EXPECT_EQ(built[0], 5u);
}

}  // namespace
