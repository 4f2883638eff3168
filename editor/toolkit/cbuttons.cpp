#include "cbuttons.h"

#include "cbitmap.h"
#include "cdrawcontext.h"

namespace VSTGUI {

// ---------------------------------------------------------------- COnOffButton

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                           int32_t style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
    if (background) {
        CCoord off = (value == vmax) ? background->getHeight() / 2 : 0;
        background->draw(context, size, CPoint(0, off));
    }
    setDirty(false);
}

CMouseEventResult COnOffButton::onMouseDown(CPoint&, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    value = (value == vmax) ? vmin : vmax;
    if (style == kPostListenerUpdate) invalid();
    beginEdit();
    valueChanged();
    endEdit();
    if (style == kPreListenerUpdate) invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}

// ---------------------------------------------------------------- CKickButton

CKickButton::CKickButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                         const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), heightOfOneImage(size.getHeight()) {}

void CKickButton::draw(CDrawContext* context) {
    if (background) {
        CPoint where(offset.h, offset.v + (value == vmax ? heightOfOneImage : 0));
        background->draw(context, size, where);
    }
    setDirty(false);
}

CMouseEventResult CKickButton::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKickButton::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (buttons & kLButton) {
        value = size.pointInside(where) ? vmax : vmin;
        if (isDirty()) invalid();
    }
    return kMouseEventHandled;
}

CMouseEventResult CKickButton::onMouseUp(CPoint&, const CButtonState&) {
    if (value > vmin) valueChanged();  // released over the button: the action
    value = vmin;
    valueChanged();
    if (isDirty()) invalid();
    endEdit();
    return kMouseEventHandled;
}

// ---------------------------------------------------------------- CRockerSwitch

CRockerSwitch::CRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                             const CPoint& offset, int32_t style)
    : CControl(size, listener, tag, background), offset(offset), style(style) {
    vmin = -1.0f;
    vmax = 1.0f;
    value = 0.0f;
}

// Three frames: minimum, rest, maximum.
void CRockerSwitch::draw(CDrawContext* context) {
    if (background) {
        int frame = value == vmax ? 2 : (value == vmin ? 0 : 1);
        background->draw(context, size, CPoint(offset.h, offset.v + frame * size.getHeight()));
    }
    setDirty(false);
}

CMouseEventResult CRockerSwitch::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    entryValue = value;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CRockerSwitch::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventHandled;
    float before = value;
    if (size.pointInside(where)) {
        bool firstHalf =
            (style & kVertical) ? where.v < size.top + size.getHeight() / 2 : where.h < size.left + size.getWidth() / 2;
        value = firstHalf ? vmin : vmax;
    } else {
        value = entryValue;
    }
    // Report each change once, however many move events arrive before the next redraw.
    if (value != before && value != entryValue) valueChanged();
    if (isDirty()) invalid();
    return kMouseEventHandled;
}

CMouseEventResult CRockerSwitch::onMouseUp(CPoint&, const CButtonState&) {
    value = 0.0f;
    if (isDirty()) invalid();
    endEdit();
    return kMouseEventHandled;
}

}  // namespace VSTGUI
