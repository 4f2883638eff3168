// The editor opened through the effect's dispatcher on each backend: off-screen, with the
// pointer handed to the frame, and in a host's window on a real (virtual) X server, with real
// pointer events sent by XTest. A slider is dragged, and the effect and the host see the edit.
// Run under xvfb-run.
#include <gtest/gtest.h>

#include <cairo.h>

#include <functional>

#include <unistd.h>

#include "EditorTestSupport.h"
// Last: Xlib's macros.
#include "../../toolkit/x11/FramePointer.h"

#include <X11/Xutil.h>

namespace halvorax::test {
namespace {

using VSTGUI::CCoord;

// One pixel as 0xRRGGBB.
uint32_t imagePixel(cairo_surface_t* image, int x, int y) {
    cairo_surface_flush(image);
    const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xffffff;
}

class EditorPointerTest : public EditorTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        onScreen = GetParam();
        host.open(kEditorWidth, kEditorHeight);
        if (HasFatalFailure()) return;
        ASSERT_EQ(dispatch(effEditOpen, parentHandle()), 1);
        ASSERT_EQ(frame()->isOnScreen(), onScreen);
        ASSERT_TRUE(idleUntil([&] { return frame()->getPaintCount() > 0; }));
        hostCalls().clear();
    }
    void TearDown() override {
        dispatch(effEditClose);
        EditorTest::TearDown();
    }

    // The host window on screen, none off-screen.
    void* parentHandle() const { return onScreen ? host.handle() : nullptr; }
    void moveTo(CCoord x, CCoord y) {
        pointer.moveTo(x, y);
        idle();
    }
    void button1(bool press) {
        pointer.button1(press);
        idle();
    }
    bool idleUntil(const std::function<bool()>& done) {
        return x11_test::idleUntil([this] { idle(); }, done);
    }
    bool hostHeard(VstInt32 opcode, VstInt32 index) {
        for (const HostCall& call : hostCalls())
            if (call.opcode == opcode && call.index == index) return true;
        return false;
    }
    // The window's own pixels, read back from the X server.
    uint32_t windowPixel(int x, int y) {
        XImage* image = XGetImage(host.display, frame()->getSystemWindow(), x, y, 1, 1, AllPlanes, ZPixmap);
        const uint32_t pixel = XGetPixel(image, 0, 0) & 0xffffff;
        XDestroyImage(image);
        return pixel;
    }

    bool onScreen = true;
    x11_test::HostWindow host;
    x11_test::FramePointer pointer{host, onScreen, [this] { return frame(); }};
};

INSTANTIATE_TEST_SUITE_P(Backends, EditorPointerTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "X11" : "Offscreen"); });

TEST_P(EditorPointerTest, DraggingASliderAutomatesTheHostInsideOneGestureAndRedrawsIt) {
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
    EXPECT_EQ(hostCalls().back().opcode, audioMasterEndEdit);
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
    if (onScreen) {
        EXPECT_EQ(windowPixel(nx, ny), imagePixel(screenshot, nx, ny));  // the window shows it too
        EXPECT_EQ(windowPixel(ox, oy), imagePixel(screenshot, ox, oy));
    }
    cairo_surface_destroy(screenshot);
}

TEST_P(EditorPointerTest, TheHostClosingTheWindowDuringADragEndsTheGesture) {
    const VSTGUI::CRect r = gui->getControl(14)->getViewSize();
    moveTo((r.left + r.right) / 2, r.bottom - 7);
    button1(true);
    moveTo((r.left + r.right) / 2, r.bottom - 30);
    ASSERT_TRUE(hostHeard(audioMasterBeginEdit, 14));
    dispatch(effEditClose);
    EXPECT_TRUE(hostHeard(audioMasterEndEdit, 14));
    button1(false);
    ASSERT_EQ(dispatch(effEditOpen, parentHandle()), 1);
}

}  // namespace
}  // namespace halvorax::test
