#include "app/SetupDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/SetupDialogView.h"

namespace {

using testing::ElementsAre;

// An adapter that reports what the test gives it.
class FakeAdapter final : public app::DisplayModeSource {
  public:
    std::vector<app::ReportedMode> modes;
    std::optional<app::ReportedMode> desktop;
    DWORD devCaps = 0x00010000u;

    FakeAdapter& Add(int w, int h, double hz, D3DFORMAT f = D3DFMT_X8R8G8B8, int bits = 24) {
        modes.push_back({w, h, hz, f, bits});
        return *this;
    }
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
        caps->DevCaps = devCaps;
        return true;
    }
};

struct Dialog {
    explicit Dialog(FakeAdapter& adapter) {
        app::ModeList modes = app::EnumerateDisplayModes(adapter);
        settings.hardwareVertexProcessing = modes.hardwareVertexProcessing;
        dialog = std::make_unique<app::SetupDialog>(std::move(modes), settings);
        dialog->InitDialog();
    }
    app::SetupDialog* operator->() { return dialog.get(); }
    app::DisplaySettings settings;
    std::unique_ptr<app::SetupDialog> dialog;
};

TEST(DisplayModes, RecordIsSixteenBytesInItsOrder) {
    const app::DisplayMode m{800, 600, 60, D3DFMT_X8R8G8B8};
    uint32_t words[4];
    std::memcpy(words, &m, sizeof words);
    EXPECT_THAT(words, ElementsAre(800u, 600u, 60u, 22u));
}

TEST(DisplayModes, OnlyModesOfAtLeast640By480At60HzAreListed) {
    FakeAdapter a;
    a.Add(1280, 1024, 75)       // 75 Hz only: not listed
        .Add(1024, 768, 59.94)  // counts as 60
        .Add(639, 480, 60)      // too narrow
        .Add(640, 479, 60)      // too low
        .Add(640, 480, 0)       // no rate reported: counts as 60
        .Add(800, 600, 60.5)    // the edges count
        .Add(800, 600, 59.5)
        .Add(1152, 864, 59.4)  // too slow
        .Add(1152, 864, 60.6)  // too fast
        .Add(1600, 1200, 120);
    const app::ModeList list = app::EnumerateDisplayModes(a);
    EXPECT_THAT(list.labels, ElementsAre("1024x768x32", "640x480x32", "800x600x32", "800x600x32"));
    for (const app::DisplayMode& m : list.modes) EXPECT_EQ(m.refreshRate, 60u);
    EXPECT_FALSE(list.desktop.has_value());
}

TEST(DisplayModes, LabelBitsFollowTheFormat) {
    FakeAdapter a;
    a.Add(800, 600, 60, D3DFMT_R5G6B5, 16)
        .Add(800, 600, 60, D3DFMT_X1R5G5B5, 15)
        .Add(800, 600, 60, D3DFMT_X8R8G8B8, 24)
        .Add(800, 600, 60, D3DFMT_A8R8G8B8, 32)
        .Add(800, 600, 60, D3DFMT_R8G8B8, 24)
        .Add(800, 600, 60, D3DFMT_P8, 8)
        .Add(800, 600, 60, D3DFMT_X4R4G4B4, 12);
    EXPECT_THAT(app::EnumerateDisplayModes(a).labels,
                ElementsAre("800x600x16", "800x600x16", "800x600x32", "800x600x32", "800x600x24",
                            "800x600x8", "800x600x12"));
}

TEST(DisplayModes, TheFirst150QualifyingModesAreKept) {
    FakeAdapter a;
    a.Add(320, 200, 60);  // not counted
    for (int i = 0; i < 200; ++i) a.Add(640 + i, 480, 60);
    const app::ModeList list = app::EnumerateDisplayModes(a);
    ASSERT_EQ(list.modes.size(), app::kMaxDisplayModes);
    ASSERT_EQ(list.labels.size(), app::kMaxDisplayModes);
    EXPECT_EQ(list.labels.front(), "640x480x32");
    EXPECT_EQ(list.labels.back(), "789x480x32");
}

TEST(DisplayModes, AnyCapabilityBitMeansHardwareVertexProcessing) {
    FakeAdapter a;
    a.Add(640, 480, 60);
    a.devCaps = 0;
    EXPECT_EQ(app::EnumerateDisplayModes(a).hardwareVertexProcessing, 0);
    a.devCaps = 0x1;
    EXPECT_EQ(app::EnumerateDisplayModes(a).hardwareVertexProcessing, 1);
}

TEST(DisplayModes, TheDesktopModeIsOfferedOnlyWhenNothingQualifies) {
    FakeAdapter a;
    a.Add(1280, 1024, 75);
    a.desktop = app::ReportedMode{1280, 1024, 75.02, D3DFMT_X8R8G8B8, 24};
    app::ModeList list = app::EnumerateDisplayModes(a);
    EXPECT_TRUE(list.modes.empty());
    ASSERT_TRUE(list.desktop.has_value());
    EXPECT_EQ(*list.desktop, (app::DisplayMode{1280, 1024, 75, D3DFMT_X8R8G8B8}));
    EXPECT_EQ(list.desktopLabel, "1280x1024x32 desktop");
    a.Add(640, 480, 60);
    EXPECT_FALSE(app::EnumerateDisplayModes(a).desktop.has_value());
}

TEST(SetupDialog, InitSelectsTheLast800By600In32BitsAndTheDeviceByCapability) {
    FakeAdapter a;
    a.Add(640, 480, 60)
        .Add(800, 600, 60, D3DFMT_R5G6B5, 16)
        .Add(800, 600, 60, D3DFMT_X8R8G8B8)
        .Add(1024, 768, 60)
        .Add(800, 600, 0, D3DFMT_X8R8G8B8)
        .Add(800, 600, 60, D3DFMT_X1R5G5B5, 15);
    Dialog d(a);
    d.settings.windowed = 1;
    d->InitDialog();
    EXPECT_EQ(d->resolutionSelection(), 4);
    EXPECT_EQ(d->deviceSelection(), 1);  // "T&L Hal Device"
    EXPECT_TRUE(d->tripleBuffering());
    EXPECT_FALSE(d->windowedChecked());
    EXPECT_EQ(d.settings.windowed, 0);
    EXPECT_TRUE(d->notice().empty());
    EXPECT_THAT(app::SetupDialog::kDeviceEntries,
                ElementsAre(std::string("Hal Device"), std::string("T&L Hal Device"),
                            std::string("Ref Device")));
    EXPECT_EQ(std::string(app::SetupDialog::kCaption).size(), 33u);
}

TEST(SetupDialog, SixteenAndThirtyTwoBitsAt800By600PreselectTheThirtyTwo) {
    FakeAdapter a;
    a.Add(800, 600, 60, D3DFMT_X8R8G8B8).Add(800, 600, 60, D3DFMT_R5G6B5, 16);
    Dialog d(a);
    EXPECT_EQ(d->resolutionSelection(), 0);
    a.devCaps = 0;
    Dialog withoutCaps(a);
    EXPECT_EQ(withoutCaps->deviceSelection(), 0);  // "Hal Device"
}

TEST(SetupDialog, WithoutAn800By600ModeTheFirstIsSelected) {
    FakeAdapter a;
    a.Add(1024, 768, 60).Add(800, 600, 60, D3DFMT_R5G6B5, 16);
    Dialog d(a);
    EXPECT_EQ(d->resolutionSelection(), 0);
}

TEST(SetupDialog, OkReadsTheControlsIntoTheSettings) {
    FakeAdapter a;
    a.Add(640, 480, 60).Add(1024, 768, 59.94, D3DFMT_R5G6B5, 16);
    Dialog d(a);
    d->SelectResolution(1);
    d->SetWindowed(true);
    EXPECT_EQ(d->rememberedResolution(), 1);
    ASSERT_TRUE(d->Ok());
    EXPECT_TRUE(d->ended());
    EXPECT_EQ(d->result(), 1);
    EXPECT_EQ(d.settings.width, 1024);
    EXPECT_EQ(d.settings.height, 768);
    EXPECT_EQ(d.settings.refreshRate, 60u);
    EXPECT_EQ(d.settings.format, D3DFMT_R5G6B5);
    EXPECT_EQ(d.settings.backBufferCount, 2);
    EXPECT_EQ(d.settings.windowed, 1);
    EXPECT_EQ(d.settings.hardwareVertexProcessing, 1);
    // Ended: nothing changes any more.
    d->SelectResolution(0);
    EXPECT_EQ(d->resolutionSelection(), 1);
}

TEST(SetupDialog, TripleBufferingUncheckedGivesOneBackBuffer) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    Dialog d(a);
    d->SetTripleBuffering(false);
    ASSERT_TRUE(d->Ok());
    EXPECT_EQ(d.settings.backBufferCount, 1);
    EXPECT_EQ(d.settings.windowed, 0);
}

TEST(SetupDialog, TheDeviceListOnlyEverTurnsHardwareVertexProcessingOn) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    for (int device : {0, 2}) {  // "Hal Device", "Ref Device" after "T&L Hal Device" was found
        Dialog d(a);
        d->SelectDevice(device);
        ASSERT_TRUE(d->Ok());
        EXPECT_EQ(d.settings.hardwareVertexProcessing, 1) << device;
    }
    a.devCaps = 0;
    Dialog off(a);
    ASSERT_TRUE(off->Ok());
    EXPECT_EQ(off.settings.hardwareVertexProcessing, 0);
    Dialog on(a);
    on->SelectDevice(1);
    ASSERT_TRUE(on->Ok());
    EXPECT_EQ(on.settings.hardwareVertexProcessing, 1);
}

TEST(SetupDialog, CancelAndClosingEndWithZeroAndLeaveTheSettings) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    Dialog cancelled(a);
    cancelled->Cancel();
    EXPECT_TRUE(cancelled->ended());
    EXPECT_EQ(cancelled->result(), 0);
    EXPECT_EQ(cancelled.settings.width, 0);
    EXPECT_FALSE(cancelled->Ok());
    EXPECT_EQ(cancelled->result(), 0);
    Dialog closed(a);
    closed->Close();
    EXPECT_EQ(closed->result(), 0);
    EXPECT_EQ(closed.settings.backBufferCount, 0);
}

TEST(SetupDialog, SelectionsOutsideTheListsAreIgnored) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    Dialog d(a);
    d->SelectResolution(1);
    d->SelectResolution(-1);
    d->SelectDevice(3);
    EXPECT_EQ(d->resolutionSelection(), 0);
    EXPECT_EQ(d->rememberedResolution(), -1);
    EXPECT_EQ(d->deviceSelection(), 1);
}

TEST(SetupDialog, NoQualifyingModeOffersTheDesktopMode) {
    FakeAdapter a;
    a.Add(1280, 1024, 75);
    a.desktop = app::ReportedMode{1280, 1024, 75, D3DFMT_X8R8G8B8, 24};
    Dialog d(a);
    EXPECT_THAT(d->resolutionEntries(), ElementsAre("1280x1024x32 desktop"));
    EXPECT_EQ(d->resolutionSelection(), 0);
    EXPECT_THAT(d->notice(), testing::HasSubstr("desktop mode is offered"));
    ASSERT_TRUE(d->Ok());
    EXPECT_EQ(d.settings.width, 1280);
    EXPECT_EQ(d.settings.refreshRate, 75u);
}

TEST(SetupDialog, OkIsRefusedWithoutAnyMode) {
    FakeAdapter a;
    a.Add(320, 240, 60);
    Dialog d(a);
    EXPECT_TRUE(d->resolutionEntries().empty());
    EXPECT_EQ(d->resolutionSelection(), -1);
    EXPECT_FALSE(d->Ok());
    EXPECT_FALSE(d->ended());
    EXPECT_EQ(d->notice(), "No display mode can be chosen: the display offers none.");
    EXPECT_EQ(d.settings.width, 0);
    EXPECT_EQ(d.settings.backBufferCount, 0);
    d->Cancel();
    EXPECT_EQ(d->result(), 0);
}

TEST(SetupDialog, OkIsRefusedForAModeTheDeviceCannotDrawIn) {
    FakeAdapter a;
    a.Add(1024, 768, 60, D3DFMT_R8G8B8, 24).Add(1024, 768, 60);
    Dialog d(a);
    ASSERT_EQ(d->resolutionSelection(), 0);
    EXPECT_FALSE(d->Ok());
    EXPECT_THAT(d->notice(), testing::HasSubstr("1024x768x24 cannot be used"));
    d->SelectResolution(1);
    EXPECT_TRUE(d->Ok());
    EXPECT_EQ(d.settings.format, D3DFMT_X8R8G8B8);
}

TEST(SetupDialogView, EnterIsOkAndEscapeIsCancel) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    app::SetupDialogView view;
    Dialog ok(a);
    view.KeyPressed(*ok.dialog, app::DialogKey::Enter);
    EXPECT_EQ(ok->result(), 1);
    EXPECT_TRUE(ok->ended());
    Dialog cancel(a);
    view.KeyPressed(*cancel.dialog, app::DialogKey::Escape);
    EXPECT_TRUE(cancel->ended());
    EXPECT_EQ(cancel->result(), 0);
}

TEST(SetupDialogView, TheWindowGrowsABandForANotice) {
    FakeAdapter a;
    a.Add(800, 600, 60);
    Dialog d(a);
    EXPECT_EQ(app::DialogPixelWidth(), 430);
    EXPECT_EQ(app::DialogPixelHeight(*d.dialog), 260);
    FakeAdapter none;
    Dialog empty(none);
    EXPECT_EQ(app::DialogPixelHeight(*empty.dialog), 260 + app::kNoticeBandHeight);
}

}  // namespace
