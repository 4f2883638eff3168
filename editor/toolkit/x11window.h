// The frame's X11 side: its own display connection, the child window in the host's
// window, and the override-redirect window of an open pop-up menu. Everything runs on
// the thread that calls the editor's open, idle and close.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <memory>
#include <vector>

#include "cgeometry.h"

namespace VSTGUI {

class CFrame;

class X11FrameWindow {
public:
    // Null when no display can be opened or the parent window does not exist.
    static std::unique_ptr<X11FrameWindow> create(Window parent, const CRect& rect);
    ~X11FrameWindow();

    Window getWindow() const { return window; }
    int getScreenHeight() const { return DisplayHeight(display, DefaultScreen(display)); }
    // Delivers every pending event to the frame (or its open pop-up menu).
    void pump(CFrame& frame);
    // Copies the given areas of the back buffer, plus any exposed ones, to the window.
    void present(cairo_surface_t* backBuffer, const std::vector<CRect>& rects);
    bool hasExposedArea() const { return !exposed.empty(); }
    void resize(int width, int height);

    // Pop-up window at a point given in frame coordinates; grabs the pointer while open.
    void openPopup(const CPoint& framePoint, int width, int height);
    void closePopup();
    bool isPopupOpen() const { return popup != 0; }
    void drawPopup(CFrame& frame);

private:
    X11FrameWindow() = default;
    void dispatch(CFrame& frame, XEvent& event);
    void dispatchPopup(CFrame& frame, XEvent& event);

    Display* display = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    Visual* visual = nullptr;
    int depth = 0;
    cairo_surface_t* surface = nullptr;
    std::vector<CRect> exposed;
    bool windowGone = false;  // destroyed with the host's window
    Window popup = 0;
    cairo_surface_t* popupSurface = nullptr;
};

}  // namespace VSTGUI
