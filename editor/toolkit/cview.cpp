#include "cview.h"

#include <algorithm>

#include "cbitmap.h"
#include "cdrawcontext.h"
#include "cframe.h"

namespace VSTGUI {

// ---------------------------------------------------------------- CView

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::CView(const CView& other)
    : CBaseObject(other),
      size(other.size),
      mouseableArea(other.mouseableArea),
      background(other.background),
      mouseEnabled(other.mouseEnabled),
      visible(other.visible),
      transparent(other.transparent),
      wantsFocusFlag(other.wantsFocusFlag),
      alphaValue(other.alphaValue) {
    if (background) background->remember();
}

CView::~CView() {
    if (background) background->forget();
}

void CView::draw(CDrawContext* context) {
    if (background) background->draw(context, size, CPoint(0, 0), alphaValue);
    setDirty(false);
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
bool CView::onWheel(const CPoint&, float, const CButtonState&) { return false; }

bool CView::hitTest(const CPoint& where, const CButtonState&) const { return mouseableArea.pointInside(where); }

void CView::invalid() {
    setDirty(false);
    invalidRect(size);
}

void CView::invalidRect(const CRect& rect) {
    if (!parentFrame) return;
    CPoint o = getParentOffset();
    CRect r(rect);
    r.offset(o.h, o.v);
    parentFrame->invalidFrameRect(r);
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
    if (invalidate) invalid();
    size = rect;
    mouseableArea = rect;
    if (invalidate) invalid();
}

void CView::setVisible(bool state) {
    if (visible == state) return;
    if (!state) invalid();
    visible = state;
    if (state) invalid();
}

void CView::setAlphaValue(float alpha) {
    if (alphaValue == alpha) return;
    alphaValue = alpha;
    invalid();
}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
    if (background) background->forget();
    background = bitmap;
    setDirty(true);
}

void CView::attached(CView* parent, CFrame* frame) {
    parentView = parent;
    parentFrame = frame;
}

void CView::removed() {
    parentView = nullptr;
    parentFrame = nullptr;
}

CPoint CView::getParentOffset() const {
    CPoint o;
    for (const CView* p = parentView; p && p->parentView; p = p->parentView) o.offset(p->size.left, p->size.top);
    return o;
}

CRect CView::getFrameRect() const {
    CPoint o = getParentOffset();
    CRect r(size);
    return r.offset(o.h, o.v);
}

// ---------------------------------------------------------------- CViewContainer

CViewContainer::CViewContainer(const CRect& size, CFrame* frame, CBitmap* bitmap) : CView(size) {
    if (bitmap) setBackground(bitmap);
    (void)frame;  // VSTGUI passes the frame here; attachment happens when the view is added
}

CViewContainer::~CViewContainer() { removeAll(true); }

bool CViewContainer::addView(CView* view) {
    if (!view || isChild(view) || view->getParentView()) return false;
    children.push_back(view);
    if (parentFrame || isTypeOf("CFrame")) {
        view->attached(this, parentFrame ? parentFrame : static_cast<CFrame*>(this));
        view->invalid();
    }
    return true;
}

bool CViewContainer::removeView(CView* view, bool withForget) {
    auto it = std::find(children.begin(), children.end(), view);
    if (it == children.end()) return false;
    view->invalid();
    children.erase(it);
    if (mouseDownView == view) mouseDownView = nullptr;
    if (parentFrame || isTypeOf("CFrame")) {
        CFrame* frame = parentFrame ? parentFrame : static_cast<CFrame*>(this);
        frame->viewWillBeRemoved(view);
    }
    view->removed();
    if (withForget) view->forget();
    return true;
}

bool CViewContainer::removeAll(bool withForget) {
    mouseDownView = nullptr;
    while (!children.empty()) removeView(children.back(), withForget);
    return true;
}

bool CViewContainer::isChild(const CView* view) const {
    return std::find(children.begin(), children.end(), view) != children.end();
}

CView* CViewContainer::getView(int32_t index) const {
    if (index < 0 || index >= getNbViews()) return nullptr;
    return children[static_cast<size_t>(index)];
}

void CViewContainer::setBackgroundColor(const CColor& color) {
    backgroundColor = color;
    hasBackgroundColor = true;
    setDirty(true);
}

void CViewContainer::attached(CView* parent, CFrame* frame) {
    CView::attached(parent, frame);
    for (CView* v : children) v->attached(this, frame);
}

void CViewContainer::removed() {
    for (CView* v : children) v->removed();
    mouseDownView = nullptr;
    CView::removed();
}

void CViewContainer::draw(CDrawContext* context) {
    CRect all(0, 0, size.getWidth(), size.getHeight());
    all.offset(size.left, size.top);
    drawRect(context, all);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, const CRect& updateRect) {
    CRect r(updateRect);
    r.bound(size);
    if (r.isEmpty()) return;
    if (hasBackgroundColor) context->fillRect(r, backgroundColor);
    if (background) {
        CPoint offset(r.left - size.left, r.top - size.top);
        background->draw(context, r, offset, alphaValue);
    }
}

// updateRect is in the coordinates of this container's size (its parent's coordinates).
void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    drawBackgroundRect(context, updateRect);
    const bool isFrame = parentView == nullptr;
    CCoord dx = isFrame ? 0 : size.left, dy = isFrame ? 0 : size.top;
    CRect local(updateRect);
    local.offset(-dx, -dy);
    context->saveGlobalState();
    cairo_translate(context->getCairo(), dx, dy);
    for (CView* v : children) {
        if (!v->isVisible() || !v->getViewSize().rectOverlap(local)) continue;
        CRect part(local);
        part.bound(v->getViewSize());
        context->saveGlobalState();
        context->clipRect(part);
        v->drawRect(context, part);
        context->restoreGlobalState();
    }
    context->restoreGlobalState();
    CView::setDirty(false);
}

void CViewContainer::invalidateDirtyViews() {
    for (CView* v : children) {
        if (v->isDirty() && v->isVisible()) v->invalid();
        if (v->isTypeOf("CViewContainer")) static_cast<CViewContainer*>(v)->invalidateDirtyViews();
    }
}

CView* CViewContainer::childAt(const CPoint& local, const CButtonState& buttons) const {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* v = *it;
        if (v->isVisible() && v->getMouseEnabled() && v->hitTest(local, buttons)) return v;
    }
    return nullptr;
}

static CPoint toLocal(const CView* container, bool isFrame, const CPoint& where) {
    CPoint p(where);
    if (!isFrame) p.offset(-container->getViewSize().left, -container->getViewSize().top);
    return p;
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const CButtonState& buttons) {
    CPoint local = toLocal(this, parentView == nullptr, where);
    mouseDownView = nullptr;
    // The topmost view that handles the press receives the rest of the gesture.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        CView* v = *it;
        if (!v->isVisible() || !v->getMouseEnabled() || !v->hitTest(local, buttons)) continue;
        CPoint p(local);
        CMouseEventResult r = v->onMouseDown(p, buttons);
        if (r == kMouseEventNotImplemented || r == kMouseEventNotHandled) continue;
        if (r == kMouseEventHandled && isChild(v)) mouseDownView = v;
        return r;
    }
    return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const CButtonState& buttons) {
    if (!mouseDownView) return kMouseEventNotHandled;
    CView* v = mouseDownView;
    v->remember();  // the listener may remove the view while it handles the release
    CPoint p = toLocal(this, parentView == nullptr, where);
    v->onMouseUp(p, buttons);
    mouseDownView = nullptr;
    v->forget();
    return kMouseEventHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!mouseDownView) return kMouseEventNotHandled;
    CPoint p = toLocal(this, parentView == nullptr, where);
    CMouseEventResult r = mouseDownView->onMouseMoved(p, buttons);
    return r == kMouseEventNotImplemented ? kMouseEventHandled : r;
}

bool CViewContainer::onWheel(const CPoint& where, float distance, const CButtonState& buttons) {
    CPoint local = toLocal(this, parentView == nullptr, where);
    CView* v = childAt(local, buttons);
    return v ? v->onWheel(local, distance, buttons) : false;
}

}  // namespace VSTGUI
