// A host's top-level window on the test's X server (run under xvfb-run), the windows around
// it, and real pointer input sent with XTest. Include it last: Xlib's macros (None, Bool, ...)
// break GoogleTest's, the toolkit's and the LV2 headers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace x11_test {

struct HostWindow {
    ~HostWindow() {
        if (!display) return;
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    // Connects and maps a width x height window; a fatal test failure without an X server.
    void open(int width, int height) {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "needs an X server (run through xvfb-run)";
        int ev, err, major, minor;
        ASSERT_TRUE(XTestQueryExtension(display, &ev, &err, &major, &minor));
        root = DefaultRootWindow(display);
        window = XCreateSimpleWindow(display, root, 20, 30, width, height, 0, 0, 0);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XEvent e;
        do XNextEvent(display, &e);
        while (e.type != MapNotify);
    }
    // The window as a plug-in's editor takes its parent.
    void* handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

    std::vector<Window> childrenOf(Window w) const {
        Window r, p, *kids = nullptr;
        unsigned int n = 0;
        XQueryTree(display, w, &r, &p, &kids, &n);
        std::vector<Window> out(kids, kids + n);
        if (kids) XFree(kids);
        return out;
    }
    // The editor's window: the one child of the host window; 0 when there is not exactly one.
    Window editorWindow() const {
        const std::vector<Window> kids = childrenOf(window);
        return kids.size() == 1 ? kids[0] : 0;
    }
    // A pop-up menu's window: a mapped override-redirect child of the root; 0 when none.
    Window popupWindow() const {
        Window found = 0;
        for (Window w : childrenOf(root)) {
            XWindowAttributes a;
            if (XGetWindowAttributes(display, w, &a) && a.override_redirect && a.map_state == IsViewable) found = w;
        }
        return found;
    }

    // The pointer to a point of window w.
    void moveTo(Window w, int x, int y) const {
        int rx, ry;
        Window child;
        XTranslateCoordinates(display, w, root, x, y, &rx, &ry, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), rx, ry, CurrentTime);
        XSync(display, False);
    }
    void button1(bool press) const {
        XTestFakeButtonEvent(display, 1, press ? True : False, CurrentTime);
        XSync(display, False);
    }
    void click(Window w, int x, int y) const {
        moveTo(w, x, y);
        button1(true);
        button1(false);
    }

    Display* display = nullptr;
    Window root = 0, window = 0;
};

}  // namespace x11_test
