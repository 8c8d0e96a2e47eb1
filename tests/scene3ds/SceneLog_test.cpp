#include <unistd.h>

#include "SceneLoadFixture.h"
#include "platform/OutputFile.h"

using namespace test3ds;

class SceneLogAccount : public SceneLoadTest {};

namespace {

std::vector<uint8_t> SmallScene() {
    Chunk axes(0x4160);
    axes.floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    const Key zero3{0, {0, 0, 0}};
    return File(
        {MaterialNamed("M", {ColourProperty(0xA010, 255, 0, 51), PercentProperty(0xA040, 25),
                             PercentProperty(0xA041, 70), MapProperty(0xA200, "ROCK.BMP"),
                             MapProperty(0xA210, "OP.TGA")}),
         MeshObject("Box", {1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2}, "M", {axes}),
         OmniLight("Lamp", {1, 2, 3}, {1, 1, 1}, 4),
         SpotLight("Spot", {1, 2, 3}, {1, 1, 1}, {4, 5, 6}, 20, 40),
         Camera("Cam", {0, 0, 0}, {0, 1, 0}, 0, 35)},
        {Keyframer(
            0, 100,
            {Node(0xB002, 0, "Box", 0xFFFF,
                  {Pivot(7, 8, 9), TrackChunk(0xB020, {{0, {1, 2, 3}}}),
                   TrackChunk(0xB021, {{0, {0, 0, 0, 1}}}), TrackChunk(0xB022, {{0, {1, 1, 1}}})}),
             Node(0xB005, 1, "Lamp", 0xFFFF,
                  {TrackChunk(0xB025, {{0, {1, 1, 1}}}), TrackChunk(0xB020, {{0, {1, 2, 3}}})}),
             Node(0xB007, 2, "Spot", 0xFFFF,
                  {TrackChunk(0xB020, {{0, {1, 2, 3}}}), TrackChunk(0xB021, {}),
                   TrackChunk(0xB027, {{0, {20}}}), TrackChunk(0xB028, {{0, {40}}})}),
             Node(0xB006, 3, "Spot", 0xFFFF, {TrackChunk(0xB020, {{0, {4, 5, 6}}})}),
             Node(0xB003, 4, "Cam", 0xFFFF,
                  {TrackChunk(0xB020, {zero3}), TrackChunk(0xB023, {{0, {45}}}),
                   TrackChunk(0xB024, {{0, {0}}})}),
             Node(0xB004, 5, "Cam", 0xFFFF, {TrackChunk(0xB020, {{0, {0, 1, 0}}})})})});
}

}  // namespace

TEST_F(SceneLogAccount, SmallSceneIsLoggedByteForByte) {
    Load(SmallScene());
    const std::string expected =
        "Read data from 3D STUDIO file......... ... .  \n"
        "Reading objects ..... . . .. \n"
        "\n"
        // material
        "Read  Material chunk ...........\n "
        "Material Name: M \n "
        "Ambient R: 1.000000  \n"
        "Ambient G: 0.000000  \n"
        "Ambient B: 0.200000  \n"
        " \n "
        "Shiness: 25.000000  \n"
        "Shiness strenght: 0.700000  \n"
        "File Name: ROCK.jpg \n"
        "Material opacity map: OP.jpg \n"
        "\n"
        // mesh
        "\n\n\n"
        "Read OBJECT trigonometry... \n"
        "OBJECT name: Box \n"
        "Chunk: 4110 \n"
        " Name mat: M \n"
        "Chunk: 4120 \n"
        " x: 1.000000     y: 0.000000     z: 0.000000     w: 0.000000  \n"
        " x: 0.000000     y: 1.000000     z: 0.000000     w: 0.000000  \n"
        " x: 0.000000     y: 0.000000     z: 1.000000     z: 0.000000  \n"
        " x: 0.000000     y: 0.000000     z: 0.000000     w: 1.000000  \n"
        "  x: 0.000000      y: 0.000000      z: 0.000000  \n"
        "Chunk: 4160 \n"
        // omni light: its fifth nested chunk is 0x465C
        " 465c \n"
        "Read Omni LIGHT data............ \n"
        // spot light
        " 4610 \n"
        "Read Spot Light Chunk ....... \n"
        " X: 1.000000  Y: 3.000000  Z:2.000000 \n"
        " X: 4.000000  Y: 6.000000  Z:5.000000 \n"
        " Hotspot : 20.000000 \n"
        " Falloff : 40.000000 \n"
        // camera
        "Read CAMERA data........... \n"
        "Camera Name: Cam \n "
        // between the passes
        "\n"
        "Reading ok !!!!!!! . . .. . .. .. . .. \n"
        "\n"
        // object node
        "Read Mesh tracks ..... \n"
        "Object ID: 0 \n"
        "Obj.track name: Box \n"
        "Obj. parent ID: 65535 \n"
        "Obj. Pivot X: 7.000000 Y: 9.000000 Z: 8.000000 \n"
        "Frame:  0.000000   X:  1.000000      Y:  3.000000      Z:  2.000000  \n "
        "\n"
        " FRAME: 0.000000 , W: 1.000000 , X: 0.000000  Y: 0.000000  Z: 0.000000 \n"
        " FRAME: 0.000000 , W: 1.000000 , X: 0.000000  Y: 0.000000  Z: 0.000000 \n"
        "Read Scale Track : \n"
        "Frame:  0.000000   X:  1.000000      Y:  1.000000      Z:  1.000000  \n "
        "\n"
        "==================>>>> b002 \n"
        // omni node
        "Omni Light track........    \n"
        "Light name: Lamp \n"
        "Light Chunk ID: b025 \n"
        " num_keys: 1 \n"
        "Frame:  0.000000   X:  1.000000      Y:  1.000000      Z:  1.000000  \n "
        "Frame:  0.000000   X:  1.000000      Y:  3.000000      Z:  2.000000  \n "
        "\n"
        "==================>>>> b005 \n"
        // spot node
        "Spot Light track........    \n"
        "Spot Light name: Spot \n"
        "Frame:  0.000000   X:  1.000000      Y:  3.000000      Z:  2.000000  \n "
        "CHUNK: b027 \n"
        "CHUNK: b028 \n"
        " FRAME: 0 , hotspot: 20.000000 \n"
        " FRAME: 0 , falloff: 40.000000 \n"
        "==================>>>> b007 \n"
        // spot target node
        "Spot Light Target track........    \n"
        "Frame:  0.000000   X:  4.000000      Y:  6.000000      Z:  5.000000  \n "
        "==================>>>> b006 \n"
        // camera node
        "Camera tracks..............    \n"
        "Cam Name: Cam \n"
        "Frame:  0.000000   X:  0.000000      Y:  0.000000      Z:  0.000000  \n "
        "\n"
        "==================>>>> b003 \n"
        // camera target node
        "Camera target track........    \n"
        "Frame:  0.000000   X:  0.000000      Y:  0.000000      Z:  1.000000  \n "
        "==================>>>> b004 \n";
    EXPECT_EQ(Log(), expected);
    EXPECT_TRUE(err.empty()) << err;
    EXPECT_TRUE(out.empty()) << out;
}

TEST_F(SceneLogAccount, WrongMagicCreatesNothingAndSaysSo) {
    const std::string text = "NOT A 3DS FILE";
    Load(std::vector<uint8_t>(text.begin(), text.end()), nullptr, "Objs\\bad.3ds");
    EXPECT_EQ(scene.objects, nullptr);
    EXPECT_EQ(scene.materials, nullptr);
    EXPECT_EQ(scene.cameras, nullptr);
    const std::string expectedStart =
        "Read data from 3D STUDIO file......... ... .  \n"
        "Error in 3ds file !!! \n"
        "\n"
        "Reading ok !!!!!!! . . .. . .. .. . .. \n"
        "\n";
    const std::string log = Log();
    ASSERT_GE(log.size(), expectedStart.size());
    EXPECT_EQ(log.substr(0, expectedStart.size()), expectedStart);
    // The keyframer pass still runs: it finds no keyframer section in what is not a 3ds
    // file, only a "chunk" whose length runs far past the end.
    const std::string rest =
        "Error in 3ds file Objs\\bad.3ds at byte 6: chunk 0x4433 of length 1229332563 runs past "
        "the end of chunk 0x4D4D (8 bytes left); reading what is there\n"
        "Error in 3ds file Objs\\bad.3ds at byte 6: no keyframer chunk 0xB000 in the main chunk; "
        "nothing animated\n";
    EXPECT_EQ(log.substr(expectedStart.size()), rest);
    EXPECT_EQ(err, rest);
}

TEST_F(SceneLogAccount, SecondLoadRewritesTheLog) {
    Load(File({MeshObject("First", {0, 0, 0}, {}, "")}, {Keyframer(0, 1)}));
    EXPECT_NE(Log().find("OBJECT name: First \n"), std::string::npos);
    Scene second;
    Load(File({MeshObject("Second", {0, 0, 0}, {}, "")}, {Keyframer(0, 1)}), &second);
    const std::string log = Log();
    EXPECT_EQ(log.find("First"), std::string::npos);
    EXPECT_NE(log.find("OBJECT name: Second \n"), std::string::npos);
    EXPECT_EQ(log.rfind("Read data from 3D STUDIO file", 0), 0u);
}

// Every load writes the log afresh; a folder that cannot take it (read-only, missing) is said
// once with the system's reason, not once per scene, and the loads go on.
TEST_F(SceneLogAccount, ALogThatCannotBeWrittenIsSaidOnce) {
    scene3ds::SceneLogPath =
        ::testing::TempDir() + "no-such-folder-" + std::to_string(getpid()) + "/engine.log";
    std::string said;
    for (int i = 0; i < 8; ++i) {
        Scene other;
        Load(File({MeshObject("Box", {0, 0, 0}, {}, "")}, {Keyframer(0, 1)}), &other);
        EXPECT_NE(other.objects, nullptr);
        said += err;
    }
    EXPECT_EQ(said, "Cannot write the scene log " + scene3ds::SceneLogPath +
                        ": No such file or directory\n");
}

// The log is written whole when the load ends, so a full disk leaves no cut-off account.
TEST_F(SceneLogAccount, AFullDiskLeavesNoCutOffLog) {
    Load(File({MeshObject("First", {0, 0, 0}, {}, "")}, {Keyframer(0, 1)}));
    const std::string first = Log();
    platform::SetWriteLimitForTesting(40);
    Scene second;
    Load(File({MeshObject("Second", {0, 0, 0}, {}, "")}, {Keyframer(0, 1)}), &second);
    platform::SetWriteLimitForTesting(std::nullopt);
    EXPECT_EQ(Log(), first);
    EXPECT_NE(err.find(": No space left on device\n"), std::string::npos) << err;
}
