// The frame inside an editor, on each backend: off-screen, with pointer input handed to the
// frame and the pop-up as the window hands it on, and as a child of a host window on a real
// (virtual) X server, with real pointer events sent by XTest reaching the controls through the
// editor's idle. Run under xvfb-run.
#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

#include "toolkit_test_support.h"
// Last: Xlib's macros.
#include "FramePointer.h"

#include <X11/Xutil.h>

using namespace VSTGUI;

namespace {

// A minimal editor: a slider, an on/off button, and an invisible button that pops up a menu.
struct TestEditor : toolkit_test::RecordingEditor, CControlListener {
    TestEditor() : RecordingEditor(400, 300) {}
    ~TestEditor() override { close(); }

    bool open(void* parent) override {
        close();  // hosts do not always pair open and close
        AEffGUIEditor::open(parent);
        frame = new CFrame(CRect(0, 0, 400, 300), parent, this);
        CBitmap* handle = new CBitmap("handle.png");
        slider = new CVerticalSlider(CRect(50, 20, 70, 136), this, 26, CPoint(0, 0), 116, handle, nullptr, CPoint(0, 0),
                                     kBottom);
        frame->addView(slider);
        handle->forget();
        CBitmap* buttonBitmap = new CBitmap("button.png");
        button = new COnOffButton(CRect(150, 40, 180, 58), this, 24, buttonBitmap, 0);
        frame->addView(button);
        buttonBitmap->forget();
        frame->addView(new CKickButton(CRect(250, 20, 350, 40), this, 12346, nullptr));
        menu = new COptionMenu(CRect(260, 44, 260, 44), this, 12347);
        for (const char* t : {"Load Patch", "Save Patch", "-", "Import Alpha Juno Sysex"}) menu->addEntry(t);
        frame->addView(menu);
        return true;
    }
    void valueChanged(CControl* c) override {
        changes.emplace_back(c->getTag(), c->getValue());
        if (c->getTag() == 12346 && c->getValue() > 0) menu->popup();
    }

    CVerticalSlider* slider = nullptr;
    COptionMenu* menu = nullptr;
    COnOffButton* button = nullptr;
    std::vector<std::pair<int32_t, float>> changes;
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_test::resourceDir();
        toolkit_test::writeStrip("handle.png", 20, 10, 1);
        toolkit_test::writeStrip("button.png", 30, 18, 4);
        host.open(400, 300);
    }
    void TearDown() override { editor.close(); }

    // The host window on screen, none off-screen.
    void* parentHandle() const { return onScreen ? host.handle() : nullptr; }
    // Idles the editor (as the host does) until the condition holds; false if it never does.
    bool idleUntil(const std::function<bool()>& done) {
        return x11_test::idleUntil([this] { editor.idle(); }, done);
    }

    bool onScreen = true;
    x11_test::HostWindow host;
    TestEditor editor;
    x11_test::FramePointer pointer{host, onScreen, [this] { return editor.getFrame(); }};
};

class FrameBackendTest : public FrameTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        onScreen = GetParam();
        FrameTest::SetUp();
    }
};

INSTANTIATE_TEST_SUITE_P(Backends, FrameBackendTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "X11" : "Offscreen"); });

TEST_P(FrameBackendTest, PointerDragsASliderClicksAButtonAndAQuietIdleDrawsNothing) {
    ASSERT_TRUE(editor.open(parentHandle()));
    EXPECT_EQ(editor.getFrame()->isOnScreen(), onScreen);
    ASSERT_TRUE(idleUntil([&] { return editor.getFrame()->getPaintCount() > 0; }));
    // Grab the handle (bottom position, 126..136) 5 pixels below its top and drag it so that
    // its top sits 53 of 106 pixels down: the middle.
    pointer.moveTo(60, 131);
    pointer.button1(true);
    pointer.moveTo(60, 100);
    pointer.moveTo(60, 78);
    ASSERT_TRUE(idleUntil([&] { return editor.slider->getValue() == 0.5f; }));
    pointer.button1(false);
    ASSERT_TRUE(idleUntil([&] { return editor.gestures.size() == 2; }));
    EXPECT_EQ(editor.gestures, (std::vector<std::string>{"begin 26", "end 26"}));
    ASSERT_FALSE(editor.changes.empty());
    EXPECT_EQ(editor.changes.back(), std::make_pair(26, 0.5f));

    editor.changes.clear();
    pointer.click(165, 49);
    ASSERT_TRUE(idleUntil([&] { return !editor.changes.empty(); }));
    EXPECT_FLOAT_EQ(editor.button->getValue(), 1.0f);
    EXPECT_EQ(editor.changes[0], std::make_pair(24, 1.0f));
    // The controls were redrawn from the events; a quiet idle draws nothing more.
    for (int i = 0; i < 10; ++i) {
        editor.idle();
        usleep(2000);
    }
    const int64_t paints = editor.getFrame()->getPaintCount();
    editor.idle();
    editor.idle();
    EXPECT_EQ(editor.getFrame()->getPaintCount(), paints);

    // The picture holds the lit half of the button strip (grey 2), and so does the window.
    EXPECT_EQ(toolkit_test::redAt(editor.getFrame()->getBackBuffer(), 160, 45), 2);
    if (onScreen) {
        XImage* shot = XGetImage(host.display, editor.getFrame()->getSystemWindow(), 160, 45, 1, 1, AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        EXPECT_EQ((XGetPixel(shot, 0, 0) >> 16) & 0xff, 2u);
        XDestroyImage(shot);
    }
}

TEST_P(FrameBackendTest, PopupMenuReportsTheChosenPositionAndAPressOutsideClosesIt) {
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(idleUntil([&] { return editor.getFrame()->getPaintCount() > 0; }));
    pointer.click(300, 30);
    ASSERT_TRUE(idleUntil([&] { return editor.menu->isPopupOpen(); })) << editor.changes.size() << " listener calls";
    EXPECT_EQ(editor.getFrame()->getOpenPopup(), editor.menu);
    editor.changes.clear();
    editor.gestures.clear();
    // Entries are 20 pixels high, the separator 9, below a 3-pixel margin: entry 3
    // ("Import...") is at 3 + 20 + 20 + 9 + 10, the separator at 3 + 40 + 4.
    pointer.moveTo(260 + 40, 44 + 62);
    ASSERT_TRUE(idleUntil([&] { return editor.menu->getPopupHover() == 3; }));
    pointer.click(260 + 40, 44 + 47);  // a release on the separator leaves it open
    for (int i = 0; i < 5; ++i) editor.idle();
    EXPECT_TRUE(editor.menu->isPopupOpen());
    pointer.click(260 + 40, 44 + 62);
    ASSERT_TRUE(idleUntil([&] { return !editor.menu->isPopupOpen(); }));
    EXPECT_EQ(editor.getFrame()->getOpenPopup(), nullptr);
    EXPECT_EQ(editor.changes, (std::vector<std::pair<int32_t, float>>{{12347, 3.0f}}));
    EXPECT_STREQ(editor.menu->getCurrent()->getTitle(), "Import Alpha Juno Sysex");
    EXPECT_EQ(editor.gestures, (std::vector<std::string>{"begin 12347", "end 12347"}));

    pointer.click(300, 30);
    ASSERT_TRUE(idleUntil([&] { return editor.menu->isPopupOpen(); }));
    editor.changes.clear();
    pointer.click(10, 290);
    ASSERT_TRUE(idleUntil([&] { return !editor.menu->isPopupOpen(); }));
    EXPECT_TRUE(editor.changes.empty());
}

using X11FrameTest = FrameTest;

TEST_F(X11FrameTest, OpensOneMappedChildOfTheHostWindowAndClosesIt) {
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(editor.getFrame()->isOnScreen());
    auto kids = host.childrenOf(host.window);
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(kids[0], editor.getFrame()->getSystemWindow());
    XWindowAttributes attributes;
    XGetWindowAttributes(host.display, kids[0], &attributes);
    EXPECT_EQ(attributes.width, 400);
    EXPECT_EQ(attributes.height, 300);
    EXPECT_EQ(attributes.map_state, IsViewable);
    editor.open(parentHandle());  // a second open drops the stale window first
    EXPECT_EQ(host.childrenOf(host.window).size(), 1u);
    editor.close();
    editor.close();
    XSync(host.display, False);
    EXPECT_TRUE(host.childrenOf(host.window).empty());
}

TEST_F(X11FrameTest, HostDestroyingItsWindowFirstDoesNotEndTheProcess) {
    ASSERT_TRUE(editor.open(parentHandle()));
    editor.idle();
    XDestroyWindow(host.display, host.window);
    XSync(host.display, False);
    host.window = 0;
    editor.getFrame()->invalid();  // drawing into the vanished window is refused quietly
    for (int i = 0; i < 5; ++i) {
        editor.idle();
        usleep(2000);
    }
    editor.close();
    // A stale window id is refused as well: the frame falls back to drawing off-screen.
    testing::internal::CaptureStdout();
    editor.open(reinterpret_cast<void*>(static_cast<uintptr_t>(0x7ffffff)));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(editor.getFrame()->isOnScreen());
    EXPECT_NE(out.find("parent window"), std::string::npos);
    editor.idle();
    editor.close();
}

}  // namespace
