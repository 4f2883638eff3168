// CFrame: the root view, tied to one X11 child window of the host's editor window, or to
// nothing (off-screen), and VSTGUIEditorInterface, the frame's view of its editor.
#pragma once

#include <cairo.h>

#include <memory>
#include <vector>

#include "cview.h"

namespace VSTGUI {

class COptionMenu;
class X11FrameWindow;

class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() = default;
    virtual void doIdleStuff() {}
    virtual int32_t getKnobMode() const { return -1; }
    virtual void beginEdit(int32_t index) {}
    virtual void endEdit(int32_t index) {}
    virtual CFrame* getFrame() const { return frame; }

protected:
    CFrame* frame = nullptr;
};

class CFrame : public CViewContainer {
public:
    // With a system window (an X11 window id), the frame opens its own display connection
    // and creates a child window of that size in it; without one, or when no display can
    // be opened, it lives off-screen and draws into its back buffer only.
    CFrame(const CRect& size, void* systemWindow, VSTGUIEditorInterface* editor);
    ~CFrame() override;

    bool setSize(CCoord width, CCoord height);
    // One tick of the run loop: pumps pending window events, then redraws what is dirty.
    void idle();
    // Redraws dirty views and invalid areas into the back buffer (and the window).
    void redrawDirty();

    void invalid() override;
    void invalidFrameRect(const CRect& rect);
    bool hasInvalidArea() const { return !invalidRects.empty(); }

    VSTGUIEditorInterface* getEditor() const { return editor; }
    int32_t getKnobMode() const;
    void beginEdit(int32_t index);
    void endEdit(int32_t index);

    // The X11 child window, 0 when off-screen.
    unsigned long getSystemWindow() const;
    bool isOnScreen() const { return window != nullptr; }
    // Height of the screen the window is on; 0 when off-screen.
    int getScreenHeight() const;
    // The frame's rendered image (valid after a redraw); owned by the frame.
    cairo_surface_t* getBackBuffer() const { return backBuffer; }
    // Draws the whole frame into a new image surface (the caller destroys it).
    cairo_surface_t* createOffscreenImage();
    // Number of redraw passes that drew anything; an idle with nothing dirty adds none.
    int64_t getPaintCount() const { return paintCount; }

    // Mouse input in frame coordinates, from the window or from tests.
    CMouseEventResult mouseDown(CPoint where, CButtonState buttons);
    CMouseEventResult mouseMoved(CPoint where, CButtonState buttons);
    CMouseEventResult mouseUp(CPoint where, CButtonState buttons);
    bool mouseWheel(CPoint where, float distance, CButtonState buttons);
    void endGesture();

    // Pop-up menus: the frame shows at most one, in a window of its own when on screen.
    void openPopup(COptionMenu* menu);
    void closePopup(COptionMenu* menu);
    COptionMenu* getOpenPopup() const { return popupMenu; }
    void popupChanged();  // the open menu's look changed
    void viewWillBeRemoved(CView* view);

    bool isTypeOf(const char* s) const override { return std::strcmp(s, "CFrame") == 0 || CViewContainer::isTypeOf(s); }

private:
    void ensureBackBuffer();
    void paint(const std::vector<CRect>& rects);

    VSTGUIEditorInterface* editor;
    std::unique_ptr<X11FrameWindow> window;
    std::vector<CRect> invalidRects;
    cairo_surface_t* backBuffer = nullptr;
    COptionMenu* popupMenu = nullptr;
    int64_t paintCount = 0;
    CButtonState gestureButton = 0;  // the button of the drag in progress
};

}  // namespace VSTGUI
