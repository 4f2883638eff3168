#include "x11window.h"

#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <cstdio>

#include "cframe.h"
#include "coptionmenu.h"

namespace VSTGUI {

namespace {
// X errors on the editor's display are counted instead of ending the process (the default
// handler exits): a host may pass a stale window id or destroy its window before closing
// the editor. Errors of other displays go on to the handler installed before. Installed
// only around the editor's own X calls, which are the only places its display is read.
Display* trappedDisplay = nullptr;
XErrorHandler previousHandler = nullptr;
int trapDepth = 0;
int errorCount = 0;

int trapXError(Display* display, XErrorEvent* event) {
    if (display == trappedDisplay) {
        ++errorCount;
        return 0;
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

class ErrorScope {
public:
    explicit ErrorScope(Display* display) {
        if (trapDepth++ > 0) return;
        trappedDisplay = display;
        previousHandler = XSetErrorHandler(trapXError);
    }
    ~ErrorScope() {
        if (--trapDepth > 0) return;
        XSync(trappedDisplay, False);  // errors of this scope arrive before the handler goes
        XSetErrorHandler(previousHandler);
        trappedDisplay = nullptr;
    }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;
};

// Runs requests and tells whether the server refused any of them.
template <typename F>
bool withErrorTrap(Display* display, F&& request) {
    ErrorScope scope(display);
    XSync(display, False);
    int before = errorCount;
    request();
    XSync(display, False);
    return errorCount == before;
}

CButtonState modifiers(unsigned int state) {
    CButtonState b = 0;
    if (state & ShiftMask) b |= kShift;
    if (state & ControlMask) b |= kControl;
    if (state & Mod1Mask) b |= kAlt;
    return b;
}

CButtonState heldButtons(unsigned int state) {
    CButtonState b = modifiers(state);
    if (state & Button1Mask) b |= kLButton;
    if (state & Button2Mask) b |= kMButton;
    if (state & Button3Mask) b |= kRButton;
    return b;
}

CButtonState buttonBit(unsigned int button) {
    switch (button) {
        case Button1:
            return kLButton;
        case Button2:
            return kMButton;
        case Button3:
            return kRButton;
        case 8:
            return kButton4;
        case 9:
            return kButton5;
        default:
            return 0;
    }
}
}  // namespace

std::unique_ptr<X11FrameWindow> X11FrameWindow::create(Window parent, const CRect& rect) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::printf("Could not open X display; editor drawn off-screen\n");
        std::fflush(stdout);
        return nullptr;
    }
    XWindowAttributes parentAttributes{};
    if (!withErrorTrap(display, [&] { XGetWindowAttributes(display, parent, &parentAttributes); })) {
        std::printf("Could not find editor parent window:0x%lx\n", static_cast<unsigned long>(parent));
        std::fflush(stdout);
        XCloseDisplay(display);
        return nullptr;
    }
    std::unique_ptr<X11FrameWindow> w(new X11FrameWindow);
    w->display = display;
    ErrorScope scope(display);
    int screen = DefaultScreen(display);
    w->visual = DefaultVisual(display, screen);
    w->depth = DefaultDepth(display, screen);
    // An own colormap avoids a BadMatch when the parent's visual differs from ours.
    w->colormap = XCreateColormap(display, parent, w->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = w->colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            StructureNotifyMask | KeyPressMask | KeyReleaseMask | EnterWindowMask | LeaveWindowMask |
                            FocusChangeMask;
    int width = std::max(1, static_cast<int>(rect.getWidth()));
    int height = std::max(1, static_cast<int>(rect.getHeight()));
    w->window = XCreateWindow(display, parent, static_cast<int>(rect.left), static_cast<int>(rect.top), width, height,
                              0, w->depth, InputOutput, w->visual,
                              CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &attributes);
    w->surface = cairo_xlib_surface_create(display, w->window, w->visual, width, height);
    // XEmbed information (version 0, mapped) for embedders that look for it.
    Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
    long info[2] = {0, 1};
    XChangeProperty(display, w->window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(info), 2);
    XMapWindow(display, w->window);
    XSync(display, False);  // mapped before open returns, so the host sees it at once
    return w;
}

X11FrameWindow::~X11FrameWindow() {
    if (!display) return;
    {
        ErrorScope scope(display);
        closePopup();
        if (surface) cairo_surface_destroy(surface);
        if (window && !windowGone) XDestroyWindow(display, window);
        if (colormap) XFreeColormap(display, colormap);
    }
    XCloseDisplay(display);
}

void X11FrameWindow::resize(int width, int height) {
    if (windowGone) return;
    ErrorScope scope(display);
    XResizeWindow(display, window, width, height);
    cairo_xlib_surface_set_size(surface, width, height);
}

void X11FrameWindow::pump(CFrame& frame) {
    ErrorScope scope(display);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (popup && event.xany.window == popup)
            dispatchPopup(frame, event);
        else if (event.xany.window == window)
            dispatch(frame, event);
    }
}

void X11FrameWindow::dispatch(CFrame& frame, XEvent& event) {
    switch (event.type) {
        case DestroyNotify:
            if (event.xdestroywindow.window == window) windowGone = true;  // the host's window went first
            break;
        case Expose:
            exposed.emplace_back(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                 event.xexpose.y + event.xexpose.height);
            break;
        case ButtonPress: {
            CPoint p(event.xbutton.x, event.xbutton.y);
            CButtonState mods = modifiers(event.xbutton.state);
            if (event.xbutton.button == Button4 || event.xbutton.button == Button5)
                frame.mouseWheel(p, event.xbutton.button == Button4 ? 1.0f : -1.0f, mods);
            else if (CButtonState b = buttonBit(event.xbutton.button))
                frame.mouseDown(p, b | mods);
            break;
        }
        case ButtonRelease:
            if (CButtonState b = buttonBit(event.xbutton.button))
                frame.mouseUp(CPoint(event.xbutton.x, event.xbutton.y), b | modifiers(event.xbutton.state));
            break;
        case MotionNotify:
            frame.mouseMoved(CPoint(event.xmotion.x, event.xmotion.y), heldButtons(event.xmotion.state));
            break;
        default:
            break;
    }
}

// The pointer is grabbed by the pop-up, so every pointer event arrives here, in the
// pop-up's coordinates.
void X11FrameWindow::dispatchPopup(CFrame& frame, XEvent& event) {
    COptionMenu* menu = frame.getOpenPopup();
    if (!menu) return;
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) drawPopup(frame);
            break;
        case ButtonPress:
            if (event.xbutton.button <= Button3) menu->popupMouseDown(CPoint(event.xbutton.x, event.xbutton.y));
            break;
        case ButtonRelease:
            if (event.xbutton.button <= Button3) menu->popupMouseUp(CPoint(event.xbutton.x, event.xbutton.y));
            break;
        case MotionNotify:
            menu->popupMouseMoved(CPoint(event.xmotion.x, event.xmotion.y));
            break;
        default:
            break;
    }
}

void X11FrameWindow::present(cairo_surface_t* backBuffer, const std::vector<CRect>& rects) {
    if (windowGone || (rects.empty() && exposed.empty())) return;
    ErrorScope scope(display);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_surface(cr, backBuffer, 0, 0);
    for (const CRect& r : rects) cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    for (const CRect& r : exposed) cairo_rectangle(cr, r.left, r.top, r.getWidth(), r.getHeight());
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    exposed.clear();
    XFlush(display);
}

void X11FrameWindow::openPopup(const CPoint& framePoint, int width, int height) {
    if (windowGone) return;
    ErrorScope scope(display);
    closePopup();
    int rootX = 0, rootY = 0;
    Window child = 0;
    Window root = DefaultRootWindow(display);
    XTranslateCoordinates(display, window, root, static_cast<int>(framePoint.h), static_cast<int>(framePoint.v), &rootX,
                          &rootY, &child);
    // Keep the menu on the screen.
    int screenW = DisplayWidth(display, DefaultScreen(display));
    int screenH = DisplayHeight(display, DefaultScreen(display));
    rootX = std::max(0, std::min(rootX, screenW - width));
    rootY = std::max(0, std::min(rootY, screenH - height));
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    popup = XCreateWindow(display, root, rootX, rootY, width, height, 0, depth, InputOutput, visual,
                          CWOverrideRedirect | CWColormap | CWBorderPixel | CWEventMask, &attributes);
    popupSurface = cairo_xlib_surface_create(display, popup, visual, width, height);
    XMapRaised(display, popup);
    XGrabPointer(display, popup, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XSync(display, False);
}

void X11FrameWindow::closePopup() {
    if (!popup) return;
    ErrorScope scope(display);
    XUngrabPointer(display, CurrentTime);
    cairo_surface_destroy(popupSurface);
    popupSurface = nullptr;
    XDestroyWindow(display, popup);
    popup = 0;
    XSync(display, False);  // the pointer is free again before the next event is read
}

void X11FrameWindow::drawPopup(CFrame& frame) {
    COptionMenu* menu = frame.getOpenPopup();
    if (!popup || !menu) return;
    ErrorScope scope(display);
    cairo_t* cr = cairo_create(popupSurface);
    menu->drawPopup(cr);
    cairo_destroy(cr);
    cairo_surface_flush(popupSurface);
    XFlush(display);
}

}  // namespace VSTGUI
