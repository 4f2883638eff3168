// The editor in a host's window on a real (virtual) X server, opened through the effect's
// dispatcher with the parent's window id; real pointer events sent with XTest drag a
// slider and click a button, and the effect and the host see the edits. Run under xvfb-run.
#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>

#include "EditorTestSupport.h"

// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

namespace halvorax::test {
namespace {

using VSTGUI::CCoord;

// One pixel as 0xRRGGBB.
uint32_t imagePixel(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xffffff;
}

class EditorX11Test : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server (run through xvfb-run)";
        int ev, err, major, minor;
        ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
        root = DefaultRootWindow(display);
        parent = XCreateSimpleWindow(display, root, 10, 10, kEditorWidth, kEditorHeight, 0, 0, 0);
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        XEvent e;
        do XNextEvent(display, &e);
        while (e.type != MapNotify);
        ASSERT_EQ(dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
        ASSERT_TRUE(frame()->isOnScreen());
        ASSERT_TRUE(idleUntil([&] { return frame()->getPaintCount() > 0; }));
        hostCalls().clear();
    }
    void TearDown() override {
        if (display) {
            dispatch(effEditClose);
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
        EditorTest::TearDown();
    }

    void moveTo(CCoord x, CCoord y) {
        int rx, ry;
        Window child;
        XTranslateCoordinates(display, frame()->getSystemWindow(), root, static_cast<int>(x), static_cast<int>(y), &rx,
                              &ry, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
        XSync(display, False);
        idle();
    }
    void button1(bool press) {
        XTestFakeButtonEvent(display, 1, press ? True : False, CurrentTime);
        XSync(display, False);
        idle();
    }
    bool idleUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 400; ++i) {
            idle();
            if (done()) return true;
            usleep(5000);
        }
        return false;
    }
    bool hostHeard(VstInt32 opcode, VstInt32 index) {
        for (const HostCall& call : hostCalls())
            if (call.opcode == opcode && call.index == index) return true;
        return false;
    }
    // The window's own pixels, read back from the X server.
    uint32_t windowPixel(int x, int y) {
        XImage* image = XGetImage(display, frame()->getSystemWindow(), x, y, 1, 1, AllPlanes, ZPixmap);
        const uint32_t pixel = XGetPixel(image, 0, 0) & 0xffffff;
        XDestroyImage(image);
        return pixel;
    }

    Display* display = nullptr;
    Window root = 0, parent = 0;
};

TEST_F(EditorX11Test, OneChildOfTheHostWindowWithThePanelsSize) {
    Window r, p, *kids = nullptr;
    unsigned int n = 0;
    XQueryTree(display, parent, &r, &p, &kids, &n);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(kids[0], frame()->getSystemWindow());
    Window rootReturn;
    int x, y;
    unsigned int w, h, border, depth;
    XGetGeometry(display, kids[0], &rootReturn, &x, &y, &w, &h, &border, &depth);
    XFree(kids);
    EXPECT_EQ(w, static_cast<unsigned>(kEditorWidth));
    EXPECT_EQ(h, static_cast<unsigned>(kEditorHeight));
}

TEST_F(EditorX11Test, DraggingASliderAutomatesTheHostInsideOneGestureAndRedrawsIt) {
    auto* slider = dynamic_cast<VSTGUI::CSlider*>(gui->getControl(14));  // VCF Freq
    ASSERT_NE(slider, nullptr);
    effect->setParameter(14, 0.25f);
    idle();
    const VSTGUI::CRect before = slider->getHandleRect();
    const CCoord x = (before.left + before.right) / 2, y = (before.top + before.bottom) / 2;
    moveTo(x, y);
    button1(true);
    moveTo(x, y - 20);
    moveTo(x, y - 40);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return hostHeard(audioMasterEndEdit, 14); }));
    EXPECT_EQ(hostCalls().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostCalls().front().index, 14);
    EXPECT_TRUE(hostHeard(audioMasterAutomate, 14));
    const float value = effect->getParameter(14);
    EXPECT_GT(value, 0.25f + 0.3f);  // 40 of 102 pixels of travel
    EXPECT_FLOAT_EQ(slider->getValue(), value);

    // The picture shows the handle where the value puts it, no longer where it was.
    const VSTGUI::CRect after = slider->getHandleRect();
    ASSERT_LT(after.top, before.top - 30);
    cairo_surface_t* handle =
        cairo_image_surface_create_from_png((std::string(bundleResources()) + "/HalvoSliderHandle3.png").c_str());
    ASSERT_EQ(cairo_surface_status(handle), CAIRO_STATUS_SUCCESS);
    const int hx = static_cast<int>(after.getWidth() / 2), hy = static_cast<int>(after.getHeight() / 2);
    const uint32_t handleCentre = imagePixel(handle, hx, hy);
    cairo_surface_destroy(handle);
    for (int i = 0; i < 5; ++i) idle();
    cairo_surface_t* screenshot = frame()->createOffscreenImage();
    const int nx = static_cast<int>(after.left) + hx, ny = static_cast<int>(after.top) + hy;
    const int ox = static_cast<int>(before.left) + hx, oy = static_cast<int>(before.top) + hy;
    EXPECT_EQ(imagePixel(screenshot, nx, ny), handleCentre);
    EXPECT_NE(imagePixel(screenshot, ox, oy), handleCentre);
    EXPECT_EQ(windowPixel(nx, ny), imagePixel(screenshot, nx, ny));  // the window shows it too
    EXPECT_EQ(windowPixel(ox, oy), imagePixel(screenshot, ox, oy));
    cairo_surface_destroy(screenshot);
}

TEST_F(EditorX11Test, ClickingAButtonTogglesItsParameter) {
    const float before = effect->getParameter(38);  // Poly Mode
    const VSTGUI::CRect r = gui->getControl(38)->getViewSize();
    moveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    button1(true);
    button1(false);
    ASSERT_TRUE(idleUntil([&] { return hostHeard(audioMasterAutomate, 38); }));
    EXPECT_FLOAT_EQ(effect->getParameter(38), before > 0 ? 0.0f : 1.0f);
    EXPECT_TRUE(hostHeard(audioMasterBeginEdit, 38));
    EXPECT_TRUE(hostHeard(audioMasterEndEdit, 38));
}

TEST_F(EditorX11Test, TheHostClosingTheWindowDuringADragEndsTheGesture) {
    const VSTGUI::CRect r = gui->getControl(14)->getViewSize();
    moveTo((r.left + r.right) / 2, r.bottom - 7);
    button1(true);
    moveTo((r.left + r.right) / 2, r.bottom - 30);
    ASSERT_TRUE(hostHeard(audioMasterBeginEdit, 14));
    dispatch(effEditClose);
    EXPECT_TRUE(hostHeard(audioMasterEndEdit, 14));
    button1(false);
    ASSERT_EQ(dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
}

}  // namespace
}  // namespace halvorax::test
