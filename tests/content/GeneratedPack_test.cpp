// The pack the build generated, as a whole: the same bytes on every build (checked against
// hashes taken from a known-good build), every name the engine asks for present as the engine
// looks it up (without case), no entry it never asks for, and within the size allowed.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ChunkWalk.h"
#include "assets/PackArchive.h"
#include "scene/Emitters.h"
#include "scene3ds/Load3dsScene.h"
#include "scene3ds/SceneLog.h"
#include "support/EnginePackEntries.h"
#include "support/TempDir.h"

namespace content_test {
namespace {

// Hashes of the pack from a fresh build of kelvra_pack. They change whenever the content does;
// see the failure message of DirectoryAndEntryBytesAreThoseOfTheReferenceBuild.
constexpr uint64_t kDirectoryHash = 0x7CE1B66C23206335ull;
constexpr uint64_t kEntryBytesHash = 0x76F0C13D8034E5E4ull;

constexpr uint64_t kMaxPackBytes = 40'000'000;

// 64-bit FNV-1a.
class Fnv1a {
  public:
    void add(const uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            hash_ ^= data[i];
            hash_ *= 0x100000001B3ull;
        }
    }
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

std::string Hex(uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%016llXull", static_cast<unsigned long long>(v));
    return text;
}

struct Record {
    uint32_t offset, size;
    std::string name;
};

// The directory in file order; `error` says what is wrong with a damaged one.
std::vector<Record> ReadDirectory(const Bytes& pack, size_t& end, std::string& error) {
    std::vector<Record> records;
    if (pack.size() < 4) {
        error = "shorter than its entry count";
        return {};
    }
    const uint32_t count = U32(pack, 0);
    size_t at = 4;
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 9 > pack.size()) {
            error = "directory record " + std::to_string(i) + " runs past the end";
            return {};
        }
        Record r{U32(pack, at), U32(pack, at + 4), {}};
        at += 8;
        while (at < pack.size() && pack[at] != 0) r.name.push_back(static_cast<char>(pack[at++]));
        if (at == pack.size()) {
            error = "name of record " + std::to_string(i) + " has no end";
            return {};
        }
        ++at;
        if (uint64_t{r.offset} + r.size > pack.size()) {
            error = "entry " + r.name + " lies beyond the end of the file";
            return {};
        }
        records.push_back(std::move(r));
    }
    end = at;
    return records;
}

Bytes ReadWholeFile(const std::string& path) {
    Bytes out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    unsigned char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

class GeneratedPack : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pack_ = new Bytes(ReadWholeFile(kPath));
        records_ = new std::vector<Record>(ReadDirectory(*pack_, directoryEnd_, error_));
    }
    static void TearDownTestSuite() {
        delete pack_;
        delete records_;
    }
    void SetUp() override {
        ASSERT_FALSE(pack_->empty()) << "cannot read " << kPath << " (build kelvra_pack)";
        ASSERT_TRUE(error_.empty()) << kPath << ": " << error_;
    }

    // The entry the engine finds for `name`: the first whose name matches without case.
    static const Record* Find(const std::string& name) {
        const std::string wanted = assets::FoldPackName(name);
        for (const Record& r : *records_)
            if (assets::FoldPackName(r.name) == wanted) return &r;
        return nullptr;
    }
    static Bytes Data(const Record& r) {
        return Bytes(pack_->begin() + r.offset, pack_->begin() + r.offset + r.size);
    }

    static constexpr const char* kPath = RUNEPLAY_PLAY_DIR "/kelvra.dat";
    static inline Bytes* pack_ = nullptr;
    static inline std::vector<Record>* records_ = nullptr;
    static inline size_t directoryEnd_ = 0;
    static inline std::string error_;
};

TEST_F(GeneratedPack, DirectoryAndEntryBytesAreThoseOfTheReferenceBuild) {
    Fnv1a directory, entries;
    directory.add(pack_->data(), directoryEnd_);
    for (const Record& r : *records_) entries.add(pack_->data() + r.offset, r.size);
    const std::string how =
        "\nThe generator must give the same bytes on every build and machine. If the content "
        "was changed on purpose, rebuild kelvra_pack from a clean generator build and put the "
        "new values into kDirectoryHash and kEntryBytesHash in " __FILE__
        ". If nothing was meant to change, the generator is no longer deterministic "
        "(uninitialised values, unordered containers, time or thread timing): the test "
        "cli.kelvra_gen_writes_the_same_bytes_again runs it twice, and `packtool list` of two "
        "runs shows which entries differ.";
    EXPECT_EQ(directory.value(), kDirectoryHash)
        << "directory of " << records_->size() << " entries hashes to " << Hex(directory.value())
        << how;
    EXPECT_EQ(entries.value(), kEntryBytesHash)
        << "entry bytes (" << pack_->size() - directoryEnd_ << " in all) hash to "
        << Hex(entries.value()) << how;
}

TEST_F(GeneratedPack, StaysUnderFortyMegabytes) {
    EXPECT_LT(pack_->size(), kMaxPackBytes);
    // Entries are stored one after another behind the directory, nothing in between.
    size_t at = directoryEnd_;
    for (const Record& r : *records_) {
        EXPECT_EQ(r.offset, at) << r.name;
        at = size_t{r.offset} + r.size;
    }
    EXPECT_EQ(at, pack_->size());
}

// Names the engine asks for because a scene names them, as the engine's own loader reads the
// scene: a normals file for every object (keyframer-only ones too), every material picture
// in the scene's folder, and every emitter's parameter file and particle picture.
std::set<std::string> NamesTheSceneAsksFor(const std::string& entry, const Bytes& file,
                                           const std::map<std::string, Bytes>& byFoldedName,
                                           std::string& failure) {
    testsupport::TempDir dir;
    const std::string previousLog = scene3ds::SceneLogPath;
    scene3ds::SceneLogPath = dir.file("engine.log");
    Scene scene;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    scene3ds::Load3dsSceneFromMemory(entry, file.data(), file.size(), scene);
    ::testing::internal::GetCapturedStdout();
    failure = ::testing::internal::GetCapturedStderr();
    scene3ds::SceneLogPath = previousLog;

    const std::string folder = entry.substr(0, entry.find('\\') + 1);
    std::set<std::string> names;
    for (const Material* m = scene.materials; m; m = m->next) {
        if (m->textureName) names.insert(folder + m->textureName.str());
        if (m->opacityMapName) names.insert(folder + m->opacityMapName.str());
    }
    for (const SceneObject* o = scene.objects; o; o = o->next) {
        names.insert("Nrm\\" + o->name.str() + ".nrm");
        if (!o->isEmitter) continue;
        const std::string parameters = folder + o->name.str() + ".bin";
        names.insert(parameters);
        auto it = byFoldedName.find(assets::FoldPackName(parameters));
        if (it == byFoldedName.end()) continue;  // reported as missing by the caller
        scene::EmitterParameters p;
        std::string reason;
        if (!scene::ParseEmitterParameters(it->second.data(), it->second.size(), p, &reason))
            failure += parameters + ": " + reason + "\n";
        else
            names.insert(folder + p.textureName);
    }
    return names;
}

TEST_F(GeneratedPack, HoldsEveryNameTheEngineAsksForAndNothingElse) {
    std::map<std::string, std::string> wanted;  // folded -> who asks for it
    for (const testsupport::PictureEntry& e : testsupport::kEnginePictures)
        wanted[assets::FoldPackName(e.name)] = "a picture of the show";
    for (const char* name : testsupport::kEngineShaders)
        wanted[assets::FoldPackName(name)] = "a program of the show";
    for (const char* name : testsupport::kEngineScenes)
        wanted[assets::FoldPackName(name)] = "a scene of the show";
    wanted[assets::FoldPackName(testsupport::kEngineSoundtrack)] = "the soundtrack";

    std::map<std::string, Bytes> byFoldedName;
    for (const Record& r : *records_) {
        const bool first = byFoldedName.emplace(assets::FoldPackName(r.name), Data(r)).second;
        EXPECT_TRUE(first) << r.name << " differs from an earlier entry only in case";
    }
    for (const char* entry : testsupport::kEngineScenes) {
        const Record* scene = Find(entry);
        if (!scene) continue;  // reported below
        std::string failure;
        for (const std::string& name :
             NamesTheSceneAsksFor(entry, Data(*scene), byFoldedName, failure))
            wanted.emplace(assets::FoldPackName(name), std::string("scene ") + entry);
        EXPECT_EQ(failure, "") << entry;
    }

    for (const auto& [name, asker] : wanted)
        EXPECT_NE(byFoldedName.count(name), 0u)
            << "no entry " << name << ", asked for by " << asker;
    for (const Record& r : *records_)
        EXPECT_NE(wanted.count(assets::FoldPackName(r.name)), 0u)
            << "entry " << r.name << " is never asked for (a misspelt name?)";
}

}  // namespace
}  // namespace content_test
