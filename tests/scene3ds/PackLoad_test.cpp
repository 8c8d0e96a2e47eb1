// Load3dsScene on the process-wide pack: the entry is read, parsed and released.
#include "SceneLoadFixture.h"
#include "assets/PackArchive.h"
#include "assets/PackWriter.h"
#include "support/ReportCapture.h"
#include "support/TempDir.h"

using namespace test3ds;

class PackLoad : public SceneLoadTest {
  protected:
    void SetUp() override {
        SceneLoadTest::SetUp();
        assets::PackWriter writer;
        writer.Add("Objs\\szk.3ds",
                   File({MeshObject("Ring", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}, "Gold"),
                         MaterialNamed("Gold")}));
        const std::string path = dir.file("scenes.dat");
        std::string error;
        ASSERT_TRUE(writer.WriteFile(path, &error)) << error;
        ASSERT_TRUE(assets::GlobalPack().Open(path));
    }

    testsupport::TempDir dir;
    testsupport::ReportCapture reports;
};

TEST_F(PackLoad, ReadsTheNamedEntry) {
    EXPECT_EQ(Load3dsScene("objs\\SZK.3DS", scene), 1);
    ASSERT_NE(scene.objects, nullptr);
    EXPECT_EQ(scene.objects->name.view(), "Ring");
    EXPECT_EQ(scene.objects->materialName.view(), "Gold");
    EXPECT_NE(Log().find("OBJECT name: Ring \n"), std::string::npos);
}

TEST_F(PackLoad, MissingEntryLeavesTheSceneEmptyWithAnErrorLine) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Load3dsScene("Objs\\nothere.3ds", scene), 1);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(scene.objects, nullptr);
    EXPECT_EQ(scene.materials, nullptr);
    const std::string line =
        "Error in 3ds file Objs\\nothere.3ds: the pack holds no such entry (or it cannot be "
        "read); nothing read\n";
    EXPECT_EQ(Log(), line);
    EXPECT_NE(stderrText.find(line), std::string::npos);
    // The pack reader reported the missing entry itself.
    EXPECT_EQ(reports.fatals.size(), 1u);
}
