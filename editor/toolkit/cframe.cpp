#include "cframe.h"

#include <cstdint>

#include "cdrawcontext.h"
#include "coptionmenu.h"
#include "x11window.h"

namespace VSTGUI {

CFrame::CFrame(const CRect& rect, void* systemWindow, VSTGUIEditorInterface* editor)
    : CViewContainer(CRect(0, 0, rect.getWidth(), rect.getHeight())), editor(editor) {
    if (systemWindow)
        window = X11FrameWindow::create(static_cast<Window>(reinterpret_cast<uintptr_t>(systemWindow)), rect);
    invalid();
}

CFrame::~CFrame() {
    endGesture();
    if (popupMenu) closePopup(popupMenu);
    removeAll(true);
    window.reset();
    if (backBuffer) cairo_surface_destroy(backBuffer);
}

bool CFrame::setSize(CCoord width, CCoord height) {
    if (width == size.getWidth() && height == size.getHeight()) return true;
    size = CRect(0, 0, width, height);
    mouseableArea = size;
    if (backBuffer) cairo_surface_destroy(backBuffer);
    backBuffer = nullptr;
    if (window) window->resize(static_cast<int>(width), static_cast<int>(height));
    invalid();
    return true;
}

int CFrame::getScreenHeight() const { return window ? window->getScreenHeight() : 0; }

unsigned long CFrame::getSystemWindow() const { return window ? window->getWindow() : 0; }

int32_t CFrame::getKnobMode() const {
    int32_t mode = editor ? editor->getKnobMode() : -1;
    return mode < 0 ? kCircularMode : mode;
}

void CFrame::beginEdit(int32_t index) {
    if (editor) editor->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
    if (editor) editor->endEdit(index);
}

void CFrame::invalid() {
    invalidRects.clear();
    invalidRects.push_back(size);
}

// Keeps a short list of disjoint areas: a new area swallows every one it overlaps.
void CFrame::invalidFrameRect(const CRect& rect) {
    CRect r(rect);
    r.bound(size);
    if (r.isEmpty()) return;
    for (size_t i = 0; i < invalidRects.size();) {
        if (invalidRects[i].rectOverlap(r)) {
            r.unite(invalidRects[i]);
            invalidRects.erase(invalidRects.begin() + static_cast<long>(i));
            i = 0;
        } else {
            ++i;
        }
    }
    invalidRects.push_back(r);
}

void CFrame::ensureBackBuffer() {
    if (backBuffer) return;
    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(size.getWidth()),
                                            static_cast<int>(size.getHeight()));
}

void CFrame::paint(const std::vector<CRect>& rects) {
    ensureBackBuffer();
    cairo_t* cr = cairo_create(backBuffer);
    CDrawContext context(cr);
    for (const CRect& r : rects) {
        context.saveGlobalState();
        context.clipRect(r);
        context.fillRect(r, MakeCColor(0, 0, 0));
        drawRect(&context, r);
        context.restoreGlobalState();
    }
    cairo_destroy(cr);
    cairo_surface_flush(backBuffer);
    ++paintCount;
}

void CFrame::redrawDirty() {
    if (CView::isDirty()) {  // a dirty frame redraws completely
        CView::setDirty(false);
        invalid();
    }
    invalidateDirtyViews();
    std::vector<CRect> rects;
    rects.swap(invalidRects);
    if (!rects.empty()) paint(rects);
    if (window) {
        // An exposure before the first paint must not show an undrawn buffer.
        if (!backBuffer && window->hasExposedArea()) {
            rects.push_back(size);
            paint(rects);
        }
        if (backBuffer) window->present(backBuffer, rects);
    }
}

void CFrame::idle() {
    remember();  // a listener may release the frame while it handles an event
    if (window) window->pump(*this);
    redrawDirty();
    forget();
}

cairo_surface_t* CFrame::createOffscreenImage() {
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size.getWidth()),
                                                        static_cast<int>(size.getHeight()));
    cairo_t* cr = cairo_create(image);
    CDrawContext context(cr);
    context.fillRect(size, MakeCColor(0, 0, 0));
    drawRect(&context, size);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    return image;
}

// One gesture at a time: other buttons pressed during a drag are ignored, and only the
// release of the button that started it ends it.
CMouseEventResult CFrame::mouseDown(CPoint where, CButtonState buttons) {
    if (gestureButton) return kMouseEventHandled;
    CMouseEventResult r = onMouseDown(where, buttons);
    if (mouseDownView) gestureButton = buttons & kMouseButtonMask;
    return r;
}

CMouseEventResult CFrame::mouseMoved(CPoint where, CButtonState buttons) { return onMouseMoved(where, buttons); }

CMouseEventResult CFrame::mouseUp(CPoint where, CButtonState buttons) {
    if (gestureButton && !(buttons & gestureButton)) return kMouseEventHandled;
    gestureButton = 0;
    return onMouseUp(where, buttons);
}

// Ends a drag that is still going on (the window closes mid-gesture): the control gets its
// release, so edits are closed for the host and a wheel springs back.
void CFrame::endGesture() {
    if (!mouseDownView) return;
    CPoint where = mouseDownView->getViewSize().getTopLeft();
    mouseUp(where, gestureButton ? gestureButton : kLButton);
}

bool CFrame::mouseWheel(CPoint where, float distance, CButtonState buttons) {
    return onWheel(where, distance, buttons);
}

void CFrame::openPopup(COptionMenu* menu) {
    if (popupMenu && popupMenu != menu) popupMenu->popupCancel();
    popupMenu = menu;
    if (window) {
        CPoint at = menu->getFrameRect().getTopLeft();
        CRect popupSize = menu->getPopupSize();
        window->openPopup(at, static_cast<int>(popupSize.getWidth()), static_cast<int>(popupSize.getHeight()));
    }
}

void CFrame::closePopup(COptionMenu* menu) {
    if (popupMenu != menu) return;
    popupMenu = nullptr;
    if (window) window->closePopup();
}

void CFrame::popupChanged() {
    if (window && popupMenu) window->drawPopup(*this);
}

void CFrame::viewWillBeRemoved(CView* view) {
    if (popupMenu && static_cast<CView*>(popupMenu) == view) popupMenu->popupCancel();
}

}  // namespace VSTGUI
