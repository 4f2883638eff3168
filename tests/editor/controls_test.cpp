// The controls and the effect, both ways: parameter reports move controls (snapped, from
// any thread), control changes automate the host and act by tag, the wheels spring back,
// the panel builder and the fader press, and a panel whose bitmaps are missing.
#include <thread>

#include "CSequenceFader.h"
#include "EditorTestSupport.h"

namespace halvorax::test {
namespace {

using VSTGUI::CControl;
using VSTGUI::CPoint;
using VSTGUI::CRect;
using VSTGUI::kLButton;

using ControlsTest = EditorTest;

TEST_F(ControlsTest, SetParameterSnapsSteppedParametersToTheirPositions) {
    openEditor();
    const struct {
        int index;
        float value, shown;
    } cases[] = {
        {7, 0.5f, 0.4f},          {5, 1.0f, 1.0f},  {5, 0.5f, 6.0f / 12.0f}, {0, 0.5f, 1.0f / 3.0f},
        {22, 0.99f, 2.0f / 3.0f}, {8, 0.19f, 0.0f}, {14, 0.37f, 0.37f},      {26, 1.0f, 1.0f},
    };
    for (const auto& c : cases) {
        effect->setParameter(c.index, c.value);
        EXPECT_FLOAT_EQ(gui->getControl(c.index)->getValue(), c.shown) << c.index << " " << c.value;
        EXPECT_FLOAT_EQ(effect->getParameter(c.index), c.value);  // the effect keeps its value
    }
}

// A host that can resize its window, recording the sizes asked for.
std::vector<std::pair<int, int>> resizes;
VstIntPtr resizingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterCanDo) return std::string(static_cast<const char*>(ptr)) == "sizeWindow" ? 1 : 0;
    if (opcode == audioMasterSizeWindow) resizes.emplace_back(index, static_cast<int>(value));
    return opcode == audioMasterSizeWindow ? 1 : 0;
}

TEST_F(ControlsTest, AWindowSizeChangeAsksTheHostOnlyWhenItCan) {
    const VSTGUI::CRect panel(0, 0, 990, 430), larger(0, 0, 1000, 500);
    EXPECT_FALSE(gui->beforeSizeChange(larger, panel));  // this host cannot
    EXPECT_EQ(countCalls(audioMasterCanDo), 1);
    EXPECT_EQ(countCalls(audioMasterSizeWindow), 0);
    HalvoVST2 resizable(resizingHost);
    EXPECT_TRUE(static_cast<HalvoGui*>(resizable.getEditor())->beforeSizeChange(larger, panel));
    EXPECT_EQ(resizes, (std::vector<std::pair<int, int>>{{1000, 500}}));
}

TEST_F(ControlsTest, TheSizeIsKnownBeforeOpeningAndOpeningShowsTheEffectsValues) {
    EXPECT_TRUE(effect->getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(effEditGetRect, &rect), 1);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, kEditorHeight);
    EXPECT_EQ(rect->right, kEditorWidth);
    dispatch(effEditClose);  // closing and idling an editor never opened is harmless
    dispatch(effEditIdle);
    EXPECT_EQ(gui->getFrame(), nullptr);
    effect->setParameter(14, 0.75f);
    effect->setParameter(24, 1.0f);
    openEditor();
    EXPECT_FLOAT_EQ(gui->getControl(14)->getValue(), 0.75f);
    EXPECT_FLOAT_EQ(gui->getControl(24)->getValue(), 1.0f);
    EXPECT_EQ(gui->getControl(60), nullptr);
    EXPECT_EQ(gui->getControl(39), nullptr);
}

TEST_F(ControlsTest, ReportsFromAnotherThreadMoveTheControlOnTheNextIdle) {
    openEditor();
    effect->setParameter(14, 0.1f);
    std::thread audio([&] {
        for (int i = 0; i <= 100; ++i) effect->setParameter(14, i / 100.0f * 0.5f);
        effect->setParameter(46, 0.0f);  // as the chord-write check does
    });
    audio.join();
    EXPECT_FLOAT_EQ(gui->getControl(14)->getValue(), 0.1f);  // not touched from that thread
    idle();
    EXPECT_FLOAT_EQ(gui->getControl(14)->getValue(), 0.5f);
    EXPECT_FLOAT_EQ(gui->getControl(46)->getValue(), 0.0f);
}

TEST_F(ControlsTest, AHostThatNeverIdlesLosesNothing) {
    for (int round = 0; round < 3; ++round) {
        openEditor();
        std::thread audio([&] { effect->setParameter(15, 0.2f * (round + 1)); });
        audio.join();
        dispatch(effEditClose);  // closed before any idle
    }
    dispatch(effEditIdle);  // idling a closed editor does nothing
    openEditor();
    EXPECT_FLOAT_EQ(gui->getControl(15)->getValue(), 0.6f);
    std::thread audio([&] { effect->setParameter(15, 0.3f); });
    audio.join();
    idle();
    EXPECT_FLOAT_EQ(gui->getControl(15)->getValue(), 0.3f);
}

TEST_F(ControlsTest, AClosedEditorIgnoresParameterReports) {
    effect->setParameter(14, 0.3f);
    EXPECT_EQ(gui->getControl(14), nullptr);
    openEditor();
    dispatch(effEditClose);
    effect->setParameter(14, 0.6f);  // the old controls are gone; nothing is touched
    EXPECT_EQ(gui->getFrame(), nullptr);
}

TEST_F(ControlsTest, AParameterControlAutomatesTheHostAndBecomesTheStatusLinesParameter) {
    openEditor();
    touch(14, 0.625f);
    EXPECT_FLOAT_EQ(effect->getParameter(14), 0.625f);
    EXPECT_EQ(gui->getLastParam(), 14);
    ASSERT_EQ(countCalls(audioMasterAutomate), 1);
    for (const HostCall& call : hostCalls())
        if (call.opcode == audioMasterAutomate) {
            EXPECT_EQ(call.index, 14);
            EXPECT_FLOAT_EQ(call.opt, 0.625f);
        }
}

TEST_F(ControlsTest, TheWheelsSetTheEffectsBendAndModulation) {
    openEditor();
    touch(44, 1.0f);
    EXPECT_EQ(effect->getPitchBend(), 16383);
    touch(44, 0.0f);
    EXPECT_EQ(effect->getPitchBend(), 0);
    touch(45, 1.0f);
    EXPECT_EQ(effect->getModWheel(), 127);
    touch(45, 0.5f);
    EXPECT_EQ(effect->getModWheel(), 63);
    // MIDI moves them back on the next tick.
    effect->setPitchBend(4096);
    effect->setModWheel(127);
    idle();
    EXPECT_FLOAT_EQ(gui->getControl(44)->getValue(), 4096 / 16383.0f);
    EXPECT_FLOAT_EQ(gui->getControl(45)->getValue(), 1.0f);
}

TEST_F(ControlsTest, ReleasingTheBenderSpringsBackTo8191) {
    openEditor();
    idle();  // opening shows parameter 44's value; the first tick shows the effect's bend
    CControl* wheel = gui->getControl(44);
    const CRect r = wheel->getViewSize();
    CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    frame()->mouseDown(centre, kLButton);
    frame()->mouseMoved(CPoint(centre.h, centre.v - 150), kLButton);
    EXPECT_EQ(effect->getPitchBend(), 16383);  // dragged to the top
    frame()->mouseUp(CPoint(centre.h, centre.v - 150), kLButton);
    EXPECT_EQ(effect->getPitchBend(), 8191);
    EXPECT_FLOAT_EQ(effect->getParameter(44), 0.5f);
    idle();
    EXPECT_FLOAT_EQ(wheel->getValue(), 8191 / 16383.0f);
    // The gesture reached the host around the changes.
    ASSERT_GE(hostCalls().size(), 3u);
    EXPECT_EQ(hostCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostCalls().front().index, 44);
    EXPECT_EQ(countCalls(audioMasterEndEdit), 1);
}

TEST_F(ControlsTest, ChordWriteSwitchedOffReleasesEveryNoteThroughTheAudioThread) {
    openEditor();
    effect->block(64, {{0, 0x90, 60, 100}, {0, 0x90, 64, 100}, {0, 0x90, 67, 100}});
    ASSERT_EQ(effect->soundingVoices(), 3);
    touch(46, 1.0f);
    effect->block(64);
    EXPECT_EQ(effect->soundingVoices(), 3);  // switching it on releases none
    touch(46, 0.0f);
    EXPECT_EQ(effect->soundingVoices(), 3);  // not from this thread: at the next block
    effect->block(64);
    EXPECT_EQ(effect->soundingVoices(), 0);
}

TEST_F(ControlsTest, ButtonsWithoutAParameterDoNotAutomate) {
    openEditor();
    touch(100, 1.0f);  // the LED
    touch(101, 0.0f);  // the rocker at rest
    EXPECT_EQ(countCalls(audioMasterAutomate), 0);
    EXPECT_EQ(gui->getLastParam(), -1);
}

TEST_F(ControlsTest, TheLedLightsWithMidiActivity) {
    openEditor();
    effect->block(64, {{0, 0x90, 60, 100}});
    ASSERT_GT(effect->getMidiActivity(), 0);
    idle();
    EXPECT_FLOAT_EQ(gui->getControl(100)->getValue(), 1.0f);
}

TEST_F(ControlsTest, AFaderRowJumpsToThePressedPlace) {
    openEditor();
    // A fader 131 pixels high (a 131-pixel strip of one frame), built like a panel row.
    const std::string folder = ::testing::TempDir();
    const std::string name = "fader-strip.png";
    cairo_surface_t* strip = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 131);
    cairo_surface_write_to_png(strip, (folder + "/" + name).c_str());
    cairo_surface_destroy(strip);
    VSTGUI::CBitmap::setResourceFolder(folder.c_str());
    const widget_t table[] = {{14, kWidgetSequenceFader, 10, 20, "fader-strip.png", 1},
                              {15, 99, 40, 20, "fader-strip.png", 1}};  // an unknown kind: skipped
    auto* container = new VSTGUI::CViewContainer(CRect(0, 0, 100, 200));
    ASSERT_TRUE(gui->buildGui(container, table, 2));
    ASSERT_EQ(container->getNbViews(), 1);
    auto* fader = dynamic_cast<CSequenceFader*>(gui->getControl(14));
    ASSERT_NE(fader, nullptr);
    EXPECT_EQ(fader->getNumberOfFrames(), 1);
    EXPECT_EQ(fader->getViewSize(), CRect(10, 20, 30, 151));
    CPoint press(15, 20 + 73);
    EXPECT_EQ(fader->onMouseDown(press, kLButton), VSTGUI::kMouseEventHandled);
    EXPECT_FLOAT_EQ(effect->getParameter(14), 0.5f);  // 1 - 58/116
    CPoint right(15, 20 + 73);
    EXPECT_EQ(fader->onMouseDown(right, VSTGUI::kRButton), VSTGUI::kMouseEventNotHandled);
    container->forget();
    VSTGUI::CBitmap::setResourceFolder(bundleResources());
}

// The bundle's artwork against the layout: every bitmap found, every control on the panel,
// every strip a whole number of frames.
TEST_F(ControlsTest, TheBundlesArtworkFitsThePanelLayout) {
    testing::internal::CaptureStdout();
    openEditor();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no missing bitmap
    const CRect panel(0, 0, kPanelWidth, kPanelHeight);
    for (const widget_t& row : front_panel) {
        const CRect r = gui->getControl(row.tag)->getViewSize();
        EXPECT_FALSE(r.isEmpty()) << row.bitmap;
        EXPECT_EQ(CRect(r).bound(panel), r) << "control " << row.tag << " leaves the panel";
        if (auto* knob = dynamic_cast<VSTGUI::CAnimKnob*>(gui->getControl(row.tag))) {
            EXPECT_EQ(knob->getNumSubPixmaps(), row.frames) << row.bitmap;
        }
    }
}

TEST_F(ControlsTest, MissingBitmapsGiveZeroWidthControlsAndOneLineEach) {
    setenv("HALVORAX_RESOURCES", "/nonexistent-halvorax-resources", 1);
    ProbedEffect bare;
    auto* bareGui = static_cast<HalvoGui*>(bare.getEditor());
    testing::internal::CaptureStdout();
    ASSERT_TRUE(bareGui->open(nullptr));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), front_panel_count + 1);  // + background
    EXPECT_NE(output.find("HalvoBackground.png"), std::string::npos);
    for (const widget_t& row : front_panel) {
        EXPECT_EQ(bareGui->getControl(row.tag)->getWidth(), 0) << row.tag;
        CPoint where(row.x, row.y);  // where the control would be: nothing takes the press
        EXPECT_EQ(bareGui->getFrame()->mouseDown(where, kLButton), VSTGUI::kMouseEventNotHandled) << row.tag;
    }
    bare.setParameter(14, 0.4f);
    bareGui->idle();
    EXPECT_FLOAT_EQ(bareGui->getControl(14)->getValue(), 0.4f);
    bareGui->close();
    VSTGUI::CBitmap::setResourceFolder(bundleResources());
}

}  // namespace
}  // namespace halvorax::test
