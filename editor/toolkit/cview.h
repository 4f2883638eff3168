// CView: the base of every view; CViewContainer: a view holding child views.
#pragma once

#include <cstring>
#include <vector>

#include "cbaseobject.h"
#include "cgeometry.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;

// Type test and copy, as VSTGUI's views declare them.
#define CLASS_METHODS(name, parent)                                                                           \
    bool isTypeOf(const char* s) const override { return std::strcmp(s, #name) == 0 || parent::isTypeOf(s); } \
    CView* newCopy() const override { return new name(*this); }

class CView : public CBaseObject {
public:
    explicit CView(const CRect& size);
    CView(const CView& other);
    ~CView() override;

    // Drawing: drawRect is called with the part to redraw; views draw all of themselves.
    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect) { draw(context); }

    // Mouse: points are in the coordinates of the view's parent (those of getViewSize()).
    virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
    virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
    virtual bool onWheel(const CPoint& where, float distance, const CButtonState& buttons);
    virtual bool hitTest(const CPoint& where, const CButtonState& buttons) const;

    // A dirty view is redrawn by the frame on its next idle.
    virtual void setDirty(bool val = true) { dirty = val; }
    virtual bool isDirty() const { return dirty; }
    // Asks the frame to redraw the view's area on its next idle.
    virtual void invalid();
    void invalidRect(const CRect& rect);

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& rect, bool invalidate = true);
    const CRect& getMouseableArea() const { return mouseableArea; }
    void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
    CCoord getWidth() const { return size.getWidth(); }
    CCoord getHeight() const { return size.getHeight(); }

    void setMouseEnabled(bool enable) { mouseEnabled = enable; }
    bool getMouseEnabled() const { return mouseEnabled; }
    void setVisible(bool state);
    bool isVisible() const { return visible; }
    void setTransparency(bool val) { transparent = val; }
    bool getTransparency() const { return transparent; }
    void setAlphaValue(float alpha);
    float getAlphaValue() const { return alphaValue; }
    void setWantsFocus(bool state) { wantsFocusFlag = state; }
    bool wantsFocus() const { return wantsFocusFlag; }

    virtual void setBackground(CBitmap* background);
    CBitmap* getBackground() const { return background; }
    CBitmap* getDrawBackground() const { return background; }

    CFrame* getFrame() const { return parentFrame; }
    CView* getParentView() const { return parentView; }
    bool isAttached() const { return parentFrame != nullptr; }
    virtual void attached(CView* parent, CFrame* frame);
    virtual void removed();

    // The view's rectangle in frame coordinates.
    CRect getFrameRect() const;
    // Offset of this view's coordinate system (that of its size) from the frame's.
    CPoint getParentOffset() const;

    virtual bool isTypeOf(const char* s) const { return std::strcmp(s, "CView") == 0; }
    virtual CView* newCopy() const { return new CView(*this); }

protected:
    CRect size;
    CRect mouseableArea;
    CFrame* parentFrame = nullptr;
    CView* parentView = nullptr;
    CBitmap* background = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool visible = true;
    bool transparent = false;
    bool wantsFocusFlag = false;
    float alphaValue = 1.0f;
};

class CViewContainer : public CView {
public:
    CViewContainer(const CRect& size, CFrame* frame = nullptr, CBitmap* background = nullptr);
    ~CViewContainer() override;

    // The container owns its children: adding takes over the caller's reference.
    // Adding a view that is already a child does nothing and returns false.
    virtual bool addView(CView* view);
    virtual bool removeView(CView* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    bool isChild(const CView* view) const;
    int32_t getNbViews() const { return static_cast<int32_t>(children.size()); }
    CView* getView(int32_t index) const;

    void setBackgroundColor(const CColor& color);

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    void attached(CView* parent, CFrame* frame) override;
    void removed() override;
    // Turns every dirty view of the subtree into an invalid rectangle of the frame.
    void invalidateDirtyViews();

    bool isTypeOf(const char* s) const override { return std::strcmp(s, "CViewContainer") == 0 || CView::isTypeOf(s); }
    CView* newCopy() const override { return nullptr; }  // containers are not copied

protected:
    // Child under a point given in this container's own coordinates, topmost first.
    CView* childAt(const CPoint& local, const CButtonState& buttons) const;
    void drawBackgroundRect(CDrawContext* context, const CRect& updateRect);

    std::vector<CView*> children;
    CView* mouseDownView = nullptr;
    CColor backgroundColor;
    bool hasBackgroundColor = false;
};

}  // namespace VSTGUI
