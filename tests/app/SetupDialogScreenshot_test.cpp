// The dialog drawn headless and compared with committed pictures, and driven through its
// drawn controls with ImGui's mouse input.
//
// The references are tests/data/dialog/*.png. After a deliberate change of the dialog's look,
// regenerate them with
//   RUNEPLAY_UPDATE_REFERENCES=1 build/tests/test_app --gtest_filter='SetupDialogScreenshot.*'
// and look at the new pictures before committing them. A failing comparison writes what was
// drawn next to the test program as <name>.actual.png.
#include <gtest/gtest.h>
#include <imgui.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/SetupDialog.h"
#include "app/SetupDialogRenderer.h"
#include "app/SetupDialogView.h"
#include "app/SetupPicture.h"
#include "content/gen/Image.h"
#include "content/pictures/SetupPicture.h"

namespace {

class ListAdapter final : public app::DisplayModeSource {
  public:
    std::vector<app::ReportedMode> modes;
    std::optional<app::ReportedMode> desktop;
    int GetAdapterModeCount() override { return static_cast<int>(modes.size()); }
    bool EnumAdapterModes(int i, app::ReportedMode* m) override {
        *m = modes.at(static_cast<size_t>(i));
        return true;
    }
    bool GetDesktopMode(app::ReportedMode* m) override {
        if (desktop) *m = *desktop;
        return desktop.has_value();
    }
    bool GetDeviceCaps(gfx::DeviceCaps* caps) override {
        caps->DevCaps = 0x00010000u;
        return true;
    }
};

ListAdapter TypicalAdapter() {
    ListAdapter a;
    for (auto [w, h] : {std::pair{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}})
        a.modes.push_back({w, h, 60, D3DFMT_X8R8G8B8, 24});
    a.modes.push_back({800, 600, 60, D3DFMT_R5G6B5, 16});
    return a;
}

class SetupDialogScreenshot : public testing::Test {
  protected:
    void Open(app::DisplayModeSource& adapter) {
        app::ModeList modes = app::EnumerateDisplayModes(adapter);
        settings.hardwareVertexProcessing = modes.hardwareVertexProcessing;
        dialog = std::make_unique<app::SetupDialog>(std::move(modes), settings);
        dialog->InitDialog();
    }

    // Draws `frames` frames; skips the test where there is no headless OpenGL or no DejaVu
    // font (the references are drawn with it).
    bool Draw(int frames, const app::DialogFrameHook& hook = {}) {
        std::string error;
        if (!app::RenderSetupDialogOffscreen(*dialog, frames, rgba, width, height, &error,
                                             [&](int frame, app::SetupDialogView& view) {
                                                 if (frame == 0) font = ImGui::GetIO().Fonts;
                                                 if (hook) hook(frame, view);
                                             })) {
            skipReason = "no headless OpenGL: " + error;
            return false;
        }
        return true;
    }

    void CompareWithReference(const std::string& name) {
        const std::string path = std::string(RUNEPLAY_TEST_DATA) + "/dialog/" + name + ".png";
        const char* update = std::getenv("RUNEPLAY_UPDATE_REFERENCES");
        if (update && *update && std::string(update) != "0") {
            ASSERT_TRUE(stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4));
            GTEST_SKIP() << "reference written: " << path;
        }
        int rw = 0, rh = 0, channels = 0;
        stbi_uc* ref = stbi_load(path.c_str(), &rw, &rh, &channels, 4);
        ASSERT_NE(ref, nullptr) << "missing reference " << path;
        std::unique_ptr<stbi_uc, void (*)(void*)> owned(ref, stbi_image_free);
        ASSERT_EQ(rw, width);
        ASSERT_EQ(rh, height);
        // llvmpipe draws the same bytes every time; the tolerance is for other rasterisers'
        // edge pixels and text coverage.
        size_t off = 0;
        double total = 0;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(int(rgba[i + c]) - int(ref[i + c]));
                worst = std::max(worst, d);
                total += d;
            }
            if (worst > 24) ++off;
        }
        const size_t pixels = rgba.size() / 4;
        const double mean = total / (pixels * 3.0);
        const bool same = off <= pixels / 200 && mean < 1.0;
        if (!same) {
            const std::string actual = name + ".actual.png";
            stbi_write_png(actual.c_str(), width, height, 4, rgba.data(), width * 4);
        }
        EXPECT_TRUE(same) << off << " of " << pixels << " pixels differ by more than 24, mean "
                          << mean << "; drawn picture written to " << name << ".actual.png";
    }

    void SkipUnlessDrawable() {
        if (!skipReason.empty()) GTEST_SKIP() << skipReason;
    }

    static bool FontInstalled() {
        return std::filesystem::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    }

    ImVec2 Centre(float x, float y, float w, float h) {
        return {(x + w * 0.5f) * app::kPixelsPerDialogUnit,
                (y + h * 0.5f) * app::kPixelsPerDialogUnit};
    }

    // A hook that clicks at `at` (mouse down in frame `frame`, up in the next).
    static app::DialogFrameHook ClickAt(ImVec2 at, int frame) {
        return [at, frame](int f, app::SetupDialogView&) {
            ImGuiIO& io = ImGui::GetIO();
            io.MousePos = at;
            io.MouseDown[0] = f == frame;
        };
    }

    app::DisplaySettings settings;
    std::unique_ptr<app::SetupDialog> dialog;
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;
    std::string skipReason;
    ImFontAtlas* font = nullptr;
};

TEST(SetupPicture, TheBuiltInPictureIsTheGeneratorsPainting) {
    imaging::Picture picture;
    std::string error;
    ASSERT_TRUE(app::DecodeSetupPicture(picture, &error)) << error;
    EXPECT_EQ(picture.width, 128u);
    EXPECT_EQ(picture.height, 128u);
    EXPECT_EQ(picture.sourceFormat, D3DFMT_R8G8B8);
    const std::vector<uint8_t> painted =
        content::EncodeBmp24(content::pictures::MakeSetupPicture());
    ASSERT_EQ(painted.size(), app::kSetupPictureBmpSize);
    EXPECT_TRUE(std::equal(painted.begin(), painted.end(), app::kSetupPictureBmp));
}

TEST_F(SetupDialogScreenshot, AsItOpens) {
    if (!FontInstalled()) GTEST_SKIP() << "DejaVu Sans is not installed";
    ListAdapter adapter = TypicalAdapter();
    Open(adapter);
    if (!Draw(3)) SkipUnlessDrawable();
    ASSERT_EQ(width, 430);
    ASSERT_EQ(height, 260);
    CompareWithReference("setup_dialog");
}

TEST_F(SetupDialogScreenshot, OfferingTheDesktopMode) {
    if (!FontInstalled()) GTEST_SKIP() << "DejaVu Sans is not installed";
    ListAdapter adapter;
    adapter.modes.push_back({1280, 1024, 75, D3DFMT_X8R8G8B8, 24});
    adapter.desktop = app::ReportedMode{1280, 1024, 75, D3DFMT_X8R8G8B8, 24};
    Open(adapter);
    if (!Draw(3)) SkipUnlessDrawable();
    ASSERT_EQ(height, 260 + app::kNoticeBandHeight);
    CompareWithReference("setup_dialog_desktop_mode");
}

TEST_F(SetupDialogScreenshot, WithTheResolutionListOpen) {
    if (!FontInstalled()) GTEST_SKIP() << "DejaVu Sans is not installed";
    ListAdapter adapter = TypicalAdapter();
    Open(adapter);
    bool openSeen = false;
    if (!Draw(5, [&](int frame, app::SetupDialogView& view) {
            ClickAt(Centre(13, 19, 89, 12), 1)(frame, view);
            if (frame == 4) {
                openSeen = view.listOpen();
                view.KeyPressed(*dialog, app::DialogKey::Enter);  // the open list takes it
            }
        }))
        SkipUnlessDrawable();
    EXPECT_TRUE(openSeen);
    EXPECT_FALSE(dialog->ended());
    CompareWithReference("setup_dialog_list_open");
}

TEST_F(SetupDialogScreenshot, ClickingOkEndsWithTheChoice) {
    ListAdapter adapter = TypicalAdapter();
    Open(adapter);
    if (!Draw(4, ClickAt(Centre(14, 104, 36, 14), 1))) SkipUnlessDrawable();
    EXPECT_TRUE(dialog->ended());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(settings.width, 800);
    EXPECT_EQ(settings.backBufferCount, 2);
}

TEST_F(SetupDialogScreenshot, ClickingCancelEndsWithZero) {
    ListAdapter adapter = TypicalAdapter();
    Open(adapter);
    if (!Draw(4, ClickAt(Centre(62, 104, 36, 14), 1))) SkipUnlessDrawable();
    EXPECT_TRUE(dialog->ended());
    EXPECT_EQ(dialog->result(), 0);
}

TEST_F(SetupDialogScreenshot, ClickingTheCheckBoxesTogglesThem) {
    ListAdapter adapter = TypicalAdapter();
    Open(adapter);
    if (!Draw(6, [&](int frame, app::SetupDialogView& view) {
            if (frame < 3)
                ClickAt({24 * 2 + 8, 66 * 2 + 10}, 1)(frame, view);  // "Windowed"
            else
                ClickAt({23 * 2 + 8, 82 * 2 + 8}, 4)(frame, view);  // "Triple Buffering"
        }))
        SkipUnlessDrawable();
    EXPECT_TRUE(dialog->windowedChecked());
    EXPECT_FALSE(dialog->tripleBuffering());
    EXPECT_FALSE(dialog->ended());
}

}  // namespace
