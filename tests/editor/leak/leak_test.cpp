// Opening and closing the editor many times leaks nothing: run under AddressSanitizer's
// leak checker (a leak fails the program at exit), and the toolkit's own count of live
// views and bitmaps returns to where it was after every close.
#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <thread>

#include "EditorTestSupport.h"

#include <X11/Xlib.h>

namespace halvorax::test {
namespace {

using LeakTest = EditorTest;

TEST_F(LeakTest, OpeningAndClosingOffScreen100TimesLeavesNothing) {
    const int64_t before = VSTGUI::CBaseObject::liveObjects();
    for (int round = 0; round < 100; ++round) {
        openEditor();
        idle(round % 3);  // some rounds are never idled
        std::thread audio([&] { effect->setParameter(round % 60, 0.5f); });
        audio.join();
        touch(14, (round % 10) / 10.0f);
        dispatch(effEditClose);
        ASSERT_EQ(VSTGUI::CBaseObject::liveObjects(), before) << "round " << round;
    }
}

TEST_F(LeakTest, OpeningAndClosingInAHostWindow100TimesLeavesNothing) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) GTEST_SKIP() << "no X server";
    const Window parent =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kEditorWidth, kEditorHeight, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    const int64_t before = VSTGUI::CBaseObject::liveObjects();
    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
        idle(round % 3);
        if (round % 10 == 0) gui->getPatchMenu()->popup();  // a menu still open at close
        dispatch(effEditClose);
        ASSERT_EQ(VSTGUI::CBaseObject::liveObjects(), before) << "round " << round;
    }
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
}

TEST_F(LeakTest, AnEffectDeletedWithItsEditorOpenTakesTheWindowWithIt) {
    openEditor();
    idle();
    effect.reset();
    EXPECT_EQ(VSTGUI::CBaseObject::liveObjects(), 0);
}

}  // namespace
}  // namespace halvorax::test

// Cairo's and fontconfig's caches are given back too, so that only real leaks are reported.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    cairo_debug_reset_static_data();
    FcFini();
    return result;
}
