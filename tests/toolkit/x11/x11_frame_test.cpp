// The frame as a child of a host window on a real (virtual) X server: real pointer events
// sent with XTest reach the controls through the editor's idle. Run under xvfb-run.
#include <gtest/gtest.h>

#include <functional>

#include "toolkit_test_support.h"

// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <unistd.h>

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

int openFileCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

class X11FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_test::resourceDir();
        toolkit_test::writeStrip("handle.png", 20, 10, 1);
        toolkit_test::writeStrip("button.png", 30, 18, 4);
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server (run through xvfb-run)";
        int ev, err, major, minor;
        ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
        root = DefaultRootWindow(display);
        parent = XCreateSimpleWindow(display, root, 30, 40, 400, 300, 0, 0, 0);
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        XEvent e;
        do XNextEvent(display, &e);
        while (e.type != MapNotify);
    }
    void TearDown() override {
        if (!display) return;
        editor.close();
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    void* parentHandle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(parent)); }

    std::vector<Window> childrenOf(Window w) {
        Window r, p, *kids = nullptr;
        unsigned int n = 0;
        XQueryTree(display, w, &r, &p, &kids, &n);
        std::vector<Window> out(kids, kids + n);
        if (kids) XFree(kids);
        return out;
    }

    // Root coordinates of a point of the frame window.
    void toRoot(int x, int y, int& rx, int& ry) {
        Window child;
        XTranslateCoordinates(display, editor.getFrame()->getSystemWindow(), root, x, y, &rx, &ry, &child);
    }
    void moveTo(int x, int y) {
        int rx, ry;
        toRoot(x, y, rx, ry);
        XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
        XSync(display, False);
    }
    void button1(bool press) {
        XTestFakeButtonEvent(display, 1, press ? True : False, CurrentTime);
        XSync(display, False);
    }
    // Idles the editor (as the host does) until the condition holds; false if it never does.
    bool idleUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 400; ++i) {
            editor.idle();
            if (done()) return true;
            usleep(5000);
        }
        return false;
    }

    Display* display = nullptr;
    Window root = 0, parent = 0;
    TestEditor editor;
};

TEST_F(X11FrameTest, OpensOneMappedChildOfTheHostWindowAndClosesIt) {
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(editor.getFrame()->isOnScreen());
    auto kids = childrenOf(parent);
    ASSERT_EQ(kids.size(), 1u);
    EXPECT_EQ(kids[0], editor.getFrame()->getSystemWindow());
    Window rootRet;
    int x, y;
    unsigned int w, h, border, depth;
    XGetGeometry(display, kids[0], &rootRet, &x, &y, &w, &h, &border, &depth);
    EXPECT_EQ(w, 400u);
    EXPECT_EQ(h, 300u);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, kids[0], &attributes);
    EXPECT_EQ(attributes.map_state, IsViewable);
    editor.open(parentHandle());  // a second open drops the stale window first
    EXPECT_EQ(childrenOf(parent).size(), 1u);
    editor.close();
    editor.close();
    XSync(display, False);
    EXPECT_TRUE(childrenOf(parent).empty());
}

TEST_F(X11FrameTest, RealPointerEventsDragASliderAndClickAButton) {
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(idleUntil([&] { return editor.getFrame()->getPaintCount() > 0; }));
    // Grab the handle (bottom position, 126..136) 5 pixels below its top and drag it so that
    // its top sits 53 of 106 pixels down: the middle.
    moveTo(60, 131);
    button1(true);
    moveTo(60, 100);
    moveTo(60, 78);
    ASSERT_TRUE(idleUntil([&] { return editor.slider->getValue() == 0.5f; }));
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return editor.gestures.size() == 2; }));
    EXPECT_EQ(editor.gestures, (std::vector<std::string>{"begin 26", "end 26"}));
    ASSERT_FALSE(editor.changes.empty());
    EXPECT_EQ(editor.changes.back().first, 26);
    EXPECT_FLOAT_EQ(editor.changes.back().second, 0.5f);

    editor.changes.clear();
    moveTo(165, 49);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return !editor.changes.empty(); }));
    EXPECT_FLOAT_EQ(editor.button->getValue(), 1.0f);
    EXPECT_EQ(editor.changes[0], std::make_pair(24, 1.0f));
    // The slider was redrawn from the events; a quiet idle draws nothing more.
    for (int i = 0; i < 10; ++i) {
        editor.idle();
        usleep(2000);
    }
    const int64_t paints = editor.getFrame()->getPaintCount();
    editor.idle();
    editor.idle();
    EXPECT_EQ(editor.getFrame()->getPaintCount(), paints);

    // The window shows what the frame drew: the lit half of the button strip (grey 2).
    XImage* shot = XGetImage(display, editor.getFrame()->getSystemWindow(), 160, 45, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ((XGetPixel(shot, 0, 0) >> 16) & 0xff, 2u);
    EXPECT_EQ(toolkit_test::redAt(editor.getFrame()->getBackBuffer(), 160, 45), 2);
    XDestroyImage(shot);
}

TEST_F(X11FrameTest, PopupMenuOpensInItsOwnWindowAndReportsTheChoice) {
    ASSERT_TRUE(editor.open(parentHandle()));
    ASSERT_TRUE(idleUntil([&] { return editor.getFrame()->getPaintCount() > 0; }));
    moveTo(300, 30);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return editor.menu->isPopupOpen(); })) << editor.changes.size() << " listener calls";
    // Entry 3 ("Import...") lies below two entries and a separator: 3 + 20 + 20 + 9 + 10.
    moveTo(260 + 40, 44 + 62);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return !editor.menu->isPopupOpen(); }));
    ASSERT_FALSE(editor.changes.empty());
    EXPECT_EQ(editor.changes.back(), std::make_pair(12347, 3.0f));

    // A press outside closes it without a choice.
    moveTo(300, 30);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return editor.menu->isPopupOpen(); }));
    editor.changes.clear();
    moveTo(10, 290);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return !editor.menu->isPopupOpen(); }));
    EXPECT_TRUE(editor.changes.empty());
}

TEST_F(X11FrameTest, HostDestroyingItsWindowFirstDoesNotEndTheProcess) {
    ASSERT_TRUE(editor.open(parentHandle()));
    editor.idle();
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = XCreateSimpleWindow(display, root, 30, 40, 400, 300, 0, 0, 0);  // for TearDown
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

TEST_F(X11FrameTest, OpeningAndClosingHundredTimesLeaksNoWindowsFilesOrObjects) {
    // One warm-up round lets Xlib and Cairo set up their process-wide caches.
    editor.open(parentHandle());
    editor.idle();
    editor.close();
    const int files = openFileCount();
    const int64_t objects = CBaseObject::liveObjects();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(editor.open(parentHandle()));
        editor.idle();
        editor.close();
    }
    XSync(display, False);
    EXPECT_TRUE(childrenOf(parent).empty());
    EXPECT_EQ(openFileCount(), files);
    EXPECT_EQ(CBaseObject::liveObjects(), objects);
}

}  // namespace
