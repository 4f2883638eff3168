// The editor view of the Audio Unit. On Linux a "view" is an X11 window of the editor's size,
// into which the effect opens its editor (the effect receives the window id); a host maps the
// window itself or reparents it into one of its own.
//
// Hosts find the view factory through the CocoaUI property: the bundle URL and the class name
// "Tandem20010220_CocoaViewFactory". The bundle exports a C function of that name that returns
// the factory as an AUCocoaUIBase table.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

namespace tandem {

class TandemComponent;

// An X11 window holding the effect's editor. Destroying the view closes the editor and clears
// the component's `view`.
class Tandem20010220_CocoaView {
public:
    // Opens its own display connection; `display` stays null when there is no X server.
    Tandem20010220_CocoaView(TandemComponent* tandem, int width, int height);
    ~Tandem20010220_CocoaView();
    Tandem20010220_CocoaView(const Tandem20010220_CocoaView&) = delete;
    Tandem20010220_CocoaView& operator=(const Tandem20010220_CocoaView&) = delete;

    bool isValid() const { return window != 0; }
    unsigned long windowId() const { return window; }
    void* display() const { return xDisplay; }
    void setFrameSize(int width, int height);
    int width() const { return frameWidth; }
    int height() const { return frameHeight; }
    // Forgets the component (it is going away and closes the editor itself).
    void detach() { tandem = nullptr; }

    TandemComponent* tandem;

private:
    void* xDisplay = nullptr;
    unsigned long window = 0;
    int frameWidth;
    int frameHeight;
};

}  // namespace tandem

// The AUCocoaUIBase protocol as a table of C functions.
extern "C" {
typedef struct AUCocoaUIBase {
    unsigned (*interfaceVersion)(void);
    CFStringRef (*description)(void);  // not retained for the caller
    // A new view for the unit (the size is not used), or null when the unit has no editor or
    // the editor could not be opened. Free it with releaseView.
    void* (*uiViewForAudioUnit)(AudioUnit unit, double width, double height);
    void (*releaseView)(void* view);
    unsigned long (*viewWindow)(void* view);  // the view's X11 window id
} AUCocoaUIBase;

__attribute__((visibility("default"))) const AUCocoaUIBase* Tandem20010220_CocoaViewFactory(void);
}
