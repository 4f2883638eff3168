// The standalone instrument's panel window on a virtual X server (run under xvfb-run).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "JackTestSupport.h"

// Last: Xlib's macros (None, Bool) would clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

using namespace halvorax::test;

namespace {

// The first top-level window whose name starts with `prefix`, or 0.
Window findWindow(Display* display, const std::string& prefix, std::string& name) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* text = nullptr;
        if (XFetchName(display, children[i], &text) && text) {
            if (std::string(text).rfind(prefix, 0) == 0) found = children[i], name = text;
            XFree(text);
        }
    }
    if (children) XFree(children);
    return found;
}

// Whether the panel (the editor's child window) is on screen inside `window`.
bool panelShown(Display* display, Window window) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    bool shown = false;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
    for (unsigned i = 0; i < count && !shown; ++i) {
        XWindowAttributes attributes;
        shown = XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable;
    }
    if (children) XFree(children);
    return shown;
}

// A real click (press, a moment, release) at a point of the window.
void click(Display* display, Window window, int x, int y) {
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
}

TEST(StandaloneWindow, IsTitledWithThePatchFollowsThePanelAndClosingItQuitsAndSaves) {
    PrivateFolders folders;
    JackServer server(folders.directory.string());
    if (!server.ready()) GTEST_SKIP() << "no JACK server can run here: " << server.reason();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "run under xvfb-run";
    const std::string log = (folders.directory / "halvorax.log").string();
    ChildProcess instrument({HALVORAX_STANDALONE_PATH, "--name", "halvotest-window", "--patch",
                             HALVORAX_SOURCE_DIR "/resources/patches/Glass Bells.repatch"},
                            log);
    std::string title;
    Window window = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((window = findWindow(display, "Halvorax", title)) == 0 && instrument.running() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_NE(window, 0u) << readText(log);
    EXPECT_EQ(title, "Halvorax - Glass Bells");

    // The panel's patch rocker steps to a neighbour in the patch folder: the title follows
    // and the new patch is saved at once.
    ASSERT_TRUE(waitFor(30.0, [&] { return panelShown(display, window); }));
    click(display, window, 526, 13);
    ASSERT_TRUE(waitFor(30.0, [&] {
        findWindow(display, "Halvorax", title);
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
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    EXPECT_EQ(instrument.waitExit(30.0), 0) << readText(log);
    EXPECT_NE(readText(folders.statePath).find(patch + ".repatch"), std::string::npos);
    XCloseDisplay(display);
}

}  // namespace
