#include "EditorWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

namespace halvorax {

struct EditorWindow::X11 {
    Display* display = nullptr;
    Window window = 0;
    Atom deleteWindow = 0;
};

std::unique_ptr<EditorWindow> EditorWindow::open(AEffect* effect, const std::string& title, std::string& error) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    std::unique_ptr<EditorWindow> self(new EditorWindow);
    self->effect = effect;
    self->x11 = std::make_unique<X11>();
    X11& x = *self->x11;
    x.display = display;
    // Asked before opening, as most hosts do, to size the window.
    ERect* rect = nullptr;
    self->dispatch(effEditGetRect, &rect);
    const int width = rect ? rect->right - rect->left : 640, height = rect ? rect->bottom - rect->top : 480;
    x.window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
    x.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, x.window, &x.deleteWindow, 1);
    XSelectInput(display, x.window, StructureNotifyMask);
    self->setTitle(title);
    XMapWindow(display, x.window);
    XFlush(display);
    self->dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<uintptr_t>(x.window)));
    if (self->dispatch(effEditGetRect, &rect) && rect)
        XResizeWindow(display, x.window, rect->right - rect->left, rect->bottom - rect->top);
    XFlush(display);
    return self;
}

EditorWindow::~EditorWindow() {
    dispatch(effEditClose);
    XDestroyWindow(x11->display, x11->window);
    XCloseDisplay(x11->display);
}

VstIntPtr EditorWindow::dispatch(VstInt32 opcode, void* ptr) {
    return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
}

bool EditorWindow::idle() {
    while (XPending(x11->display)) {
        XEvent event;
        XNextEvent(x11->display, &event);
        if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == x11->deleteWindow)
            closed = true;
    }
    if (!closed) dispatch(effEditIdle);
    return !closed;
}

void EditorWindow::setTitle(const std::string& title) {
    // UTF-8 for window managers that read _NET_WM_NAME, Latin-1 WM_NAME for the rest.
    Xutf8SetWMProperties(x11->display, x11->window, title.c_str(), title.c_str(), nullptr, 0, nullptr, nullptr,
                         nullptr);
    XFlush(x11->display);
}

}  // namespace halvorax
