// The standalone instrument's panel window on a virtual X server (run under xvfb-run).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "JackTestSupport.h"

// Last: Xlib's macros (None, Bool) would clash with names in the headers above.
#include "../../toolkit/x11/X11TestWindow.h"

using namespace halvorax::test;

namespace {

// The first top-level window whose name starts with `prefix`, or 0.
Window findWindow(const x11_test::HostWindow& x, const std::string& prefix, std::string& name) {
    for (Window w : x.childrenOf(x.root)) {
        char* text = nullptr;
        if (!XFetchName(x.display, w, &text) || !text) continue;
        const std::string found = text;
        XFree(text);
        if (found.rfind(prefix, 0) != 0) continue;
        name = found;
        return w;
    }
    return 0;
}

// Whether the panel (the editor's child window) is on screen inside `window`.
bool panelShown(const x11_test::HostWindow& x, Window window) {
    for (Window child : x.childrenOf(window)) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(x.display, child, &attributes) && attributes.map_state == IsViewable) return true;
    }
    return false;
}

TEST(StandaloneWindow, IsTitledWithThePatchFollowsThePanelAndClosingItQuitsAndSaves) {
    PrivateFolders folders;
    JackServer server(folders.directory.string());
    if (!server.ready()) GTEST_SKIP() << "no JACK server can run here: " << server.reason();
    x11_test::HostWindow x;  // the connection; its own window is never looked at
    x.open(10, 10);
    if (HasFatalFailure()) return;
    const std::string log = (folders.directory / "halvorax.log").string();
    ChildProcess instrument({HALVORAX_STANDALONE_PATH, "--name", "halvotest-window", "--patch",
                             HALVORAX_SOURCE_DIR "/resources/patches/Glass Bells.repatch"},
                            log);
    std::string title;
    Window window = 0;
    waitFor(60.0, [&] { return (window = findWindow(x, "Halvorax", title)) != 0 || !instrument.running(); });
    ASSERT_NE(window, 0u) << readText(log);
    EXPECT_EQ(title, "Halvorax - Glass Bells");

    // The panel's patch rocker steps to a neighbour in the patch folder: the title follows
    // and the new patch is saved at once.
    ASSERT_TRUE(waitFor(30.0, [&] { return panelShown(x, window); }));
    x.moveTo(window, 526, 13);  // a real click: press, a moment, release
    x.button1(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    x.button1(false);
    ASSERT_TRUE(waitFor(30.0, [&] {
        findWindow(x, "Halvorax", title);
        return title != "Halvorax - Glass Bells";
    })) << readText(log);
    const std::string patch = title.substr(std::string("Halvorax - ").size());
    EXPECT_TRUE(waitFor(30.0, [&] {
        return readText(folders.statePath).find(patch + ".repatch") != std::string::npos;
    })) << patch;

    // What a window manager sends when the user closes the window.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x.display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.display, window, False, NoEventMask, &event);
    XFlush(x.display);
    EXPECT_EQ(instrument.waitExit(30.0), 0) << readText(log);
    EXPECT_NE(readText(folders.statePath).find(patch + ".repatch"), std::string::npos);
}

}  // namespace
