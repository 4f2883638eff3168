// The editor view: an X11 window of the editor's size that the effect's editor opens into,
// and the factory the host reaches through the CocoaUI property.
#include "TandemView.h"

#include <X11/Xlib.h>

#include "TandemComponent.h"
#include "TandemExceptions.h"

namespace tandem {

Tandem20010220_CocoaView::Tandem20010220_CocoaView(TandemComponent* tandem, int width, int height)
    : tandem(tandem), frameWidth(width), frameHeight(height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return;
    xDisplay = display;
    const int screen = DefaultScreen(display);
    window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width > 0 ? width : 1),
                                 unsigned(height > 0 ? height : 1), 0, BlackPixel(display, screen),
                                 BlackPixel(display, screen));
    XStoreName(display, window, "Tandem");
    XFlush(display);
}

Tandem20010220_CocoaView::~Tandem20010220_CocoaView() {
    if (tandem) {
        tandem->vst->closeEditor();
        tandem->view = nullptr;
    }
    if (xDisplay) {
        auto* display = static_cast<Display*>(xDisplay);
        if (window) XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
}

void Tandem20010220_CocoaView::setFrameSize(int width, int height) {
    frameWidth = width;
    frameHeight = height;
    if (xDisplay && window) {
        XResizeWindow(static_cast<Display*>(xDisplay), window, unsigned(width > 0 ? width : 1),
                      unsigned(height > 0 ? height : 1));
        XFlush(static_cast<Display*>(xDisplay));
    }
}

// A view of the editor's size with the editor open in it; null when the effect has no editor,
// there is no display, or the editor refuses to open.
Tandem20010220_CocoaView* TandemComponent::createView() {
    int width = 0, height = 0;
    if (!vst->hasEditor() || !vst->getEditorDimensions(width, height)) return nullptr;
    if (view) dropView();
    auto* created = new Tandem20010220_CocoaView(this, width, height);
    if (!created->isValid()) {
        created->detach();
        delete created;
        return nullptr;
    }
    view = created;
    try {
        vst->openEditor(reinterpret_cast<void*>(created->windowId()));
    } catch (const TandemException&) {
        delete created;  // closes the half-opened editor and clears `view`
        return nullptr;
    }
    return created;
}

// The component lets go of its view: the editor closes; the view object stays the host's.
void TandemComponent::dropView() {
    if (view == nullptr) return;
    vst->closeEditor();
    view->detach();
    view = nullptr;
}

void TandemComponent::resizeWindow(VSTPlugIn&, int width, int height) {
    if (view) view->setFrameSize(width, height);
}

}  // namespace tandem

namespace {

unsigned interfaceVersion() { return 0; }

CFStringRef description() { return CFSTR("Cocoa View"); }

void* uiViewForAudioUnit(AudioUnit unit, double, double) {
    try {
        auto* component = reinterpret_cast<tandem::TandemComponent*>(GetComponentInstanceStorage(unit));
        return component ? component->createView() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

void releaseView(void* view) { delete static_cast<tandem::Tandem20010220_CocoaView*>(view); }

unsigned long viewWindow(void* view) {
    return view ? static_cast<tandem::Tandem20010220_CocoaView*>(view)->windowId() : 0;
}

const AUCocoaUIBase kFactory = {interfaceVersion, description, uiViewForAudioUnit, releaseView, viewWindow};

}  // namespace

const AUCocoaUIBase* Tandem20010220_CocoaViewFactory(void) { return &kFactory; }
