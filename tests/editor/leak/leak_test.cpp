// Opening and closing the editor many times leaks nothing: run under AddressSanitizer's
// leak checker (a leak fails the program at exit), the toolkit's own count of live views and
// bitmaps returns to where it was after every close, and no file or X window is left open.
#include <gtest/gtest.h>

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <filesystem>
#include <thread>

#include "EditorTestSupport.h"
// Last: Xlib's macros.
#include "../../toolkit/x11/X11TestWindow.h"

namespace halvorax::test {
namespace {

// Off-screen and in a host window on the X server.
class LeakTest : public EditorTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        if (GetParam()) host.open(kEditorWidth, kEditorHeight);
    }
    void open() { ASSERT_EQ(dispatch(effEditOpen, GetParam() ? host.handle() : nullptr), 1); }

    x11_test::HostWindow host;
};

INSTANTIATE_TEST_SUITE_P(Backends, LeakTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "X11" : "Offscreen"); });

int openFileCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

TEST_P(LeakTest, OpeningAndClosing100TimesLeavesNothing) {
    open();  // one warm-up round lets Xlib and Cairo set up their process-wide caches
    idle();
    dispatch(effEditClose);
    const int64_t before = VSTGUI::CBaseObject::liveObjects();
    const int files = openFileCount();
    for (int round = 0; round < 100; ++round) {
        open();
        idle(round % 3);  // some rounds are never idled
        std::thread audio([&] { effect->setParameter(round % 60, 0.5f); });
        audio.join();
        touch(14, (round % 10) / 10.0f);
        if (round % 10 == 0) gui->getPatchMenu()->popup();  // a menu still open at close
        dispatch(effEditClose);
        ASSERT_EQ(VSTGUI::CBaseObject::liveObjects(), before) << "round " << round;
    }
    EXPECT_EQ(openFileCount(), files);
    if (GetParam()) {
        XSync(host.display, False);
        EXPECT_TRUE(host.childrenOf(host.window).empty()) << "a window is left behind";
    }
}

TEST_P(LeakTest, AnEffectDeletedWithItsEditorOpenTakesTheWindowWithIt) {
    open();
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
