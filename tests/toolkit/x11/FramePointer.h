// Pointer input in frame coordinates on either backend. On screen: real XTest events into the
// frame's window. Off-screen: handed to the frame, or to its open pop-up in the pop-up's own
// coordinates (it sits at its menu's top-left corner), as the window hands them on.
#pragma once

#include <unistd.h>

#include <functional>

#include "vstgui.h"
// Last: Xlib's macros.
#include "X11TestWindow.h"

namespace x11_test {

// Calls `idle` (as a host does) every 5 ms until `done` holds; false if it never does.
inline bool idleUntil(const std::function<void()>& idle, const std::function<bool()>& done) {
    for (int i = 0; i < 600; ++i) {
        idle();
        if (done()) return true;
        usleep(5000);
    }
    return false;
}

class FramePointer {
public:
    // `onScreen` is the test's own flag, read at each event.
    FramePointer(const HostWindow& host, const bool& onScreen, std::function<VSTGUI::CFrame*()> frame)
        : host(host), onScreen(onScreen), frame(std::move(frame)) {}

    void moveTo(VSTGUI::CCoord x, VSTGUI::CCoord y) {
        at = VSTGUI::CPoint(x, y);
        VSTGUI::CFrame* f = frame();
        if (!f) return;  // a closed editor has no window to take the event
        if (onScreen)
            host.moveTo(f->getSystemWindow(), static_cast<int>(x), static_cast<int>(y));
        else if (VSTGUI::COptionMenu* menu = f->getOpenPopup())
            menu->popupMouseMoved(inPopup(menu));
        else
            f->mouseMoved(at, buttons);
    }
    void button1(bool press) {
        buttons = press ? VSTGUI::kLButton : 0;
        VSTGUI::CFrame* f = frame();
        if (onScreen)
            host.button1(press);
        else if (!f)
            return;
        else if (VSTGUI::COptionMenu* menu = f->getOpenPopup())
            press ? menu->popupMouseDown(inPopup(menu)) : menu->popupMouseUp(inPopup(menu));
        else
            press ? f->mouseDown(at, VSTGUI::kLButton) : f->mouseUp(at, VSTGUI::kLButton);
    }
    void click(VSTGUI::CCoord x, VSTGUI::CCoord y) {
        moveTo(x, y);
        button1(true);
        button1(false);
    }
    // A click at a point of the open pop-up (on screen: of the pop-up window there is).
    void clickPopup(VSTGUI::CCoord x, VSTGUI::CCoord y) {
        VSTGUI::COptionMenu* menu = frame()->getOpenPopup();
        if (onScreen)
            host.click(host.popupWindow(), static_cast<int>(x), static_cast<int>(y));
        else if (menu)
            click(menu->getViewSize().left + x, menu->getViewSize().top + y);
    }

private:
    VSTGUI::CPoint inPopup(VSTGUI::COptionMenu* menu) const {
        return VSTGUI::CPoint(at.h - menu->getViewSize().left, at.v - menu->getViewSize().top);
    }

    const HostWindow& host;
    const bool& onScreen;
    std::function<VSTGUI::CFrame*()> frame;
    VSTGUI::CPoint at;
    VSTGUI::CButtonState buttons = 0;
};

}  // namespace x11_test
