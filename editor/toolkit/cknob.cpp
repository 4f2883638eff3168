#include "cknob.h"

#include <cmath>

#include "cbitmap.h"
#include "cdrawcontext.h"
#include "cframe.h"

namespace VSTGUI {

// ---------------------------------------------------------------- CKnob

CKnob::CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset) {}

// Without a film strip the knob is drawn as a dial with a pointer.
void CKnob::draw(CDrawContext* context) {
    if (background) background->draw(context, size, offset);
    cairo_t* cr = context->getCairo();
    double cx = size.left + size.getWidth() / 2, cy = size.top + size.getHeight() / 2;
    double radius = std::min(size.getWidth(), size.getHeight()) / 2 - 2;
    if (radius > 1) {
        double a = (startAngle - getValueNormalized() * rangeAngle) * M_PI / 180.0;
        cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, cx, cy);
        cairo_line_to(cr, cx + radius * std::cos(a), cy - radius * std::sin(a));
        cairo_stroke(cr);
    }
    setDirty(false);
}

float CKnob::valueFromPoint(const CPoint& point) const {
    double dx = point.h - size.getWidth() / 2, dy = size.getHeight() / 2 - point.v;
    double a = std::atan2(dy, dx) * 180.0 / M_PI;
    double d = std::fmod(startAngle - a + 720.0, 360.0);  // clockwise from the start
    if (d > rangeAngle)                                   // in the gap: the nearer end
        d = (d - rangeAngle < (360.0 - rangeAngle) / 2) ? rangeAngle : 0.0;
    return static_cast<float>(vmin + d / rangeAngle * getRange());
}

CMouseEventResult CKnob::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventNotHandled;
    beginEdit();
    return startDrag(where, buttons);
}

CMouseEventResult CKnob::startDrag(CPoint& where, const CButtonState& buttons) {
    firstPoint = where;
    lastPoint = CPoint(-1, -1);
    startValue = getOldValue();
    entryValue = value;
    range = kLinearRange;
    coef = getRange() / range;
    oldButton = buttons;
    // The Alt key switches between the frame's knob mode and the other one.
    int32_t mode = kCircularMode;
    int32_t frameMode = getFrame() ? getFrame()->getKnobMode() : kCircularMode;
    if (frameMode == kLinearMode) {
        if (!(buttons & kAlt)) mode = kLinearMode;
    } else if (buttons & kAlt) {
        mode = kLinearMode;
    }
    modeLinear = mode == kLinearMode;
    if (modeLinear) {
        if (buttons & kShift) range *= zoomFactor;
        coef = getRange() / range;
        lastPoint = where;
    } else {
        CPoint local(where);
        local.offset(-size.left, -size.top);
        startValue = valueFromPoint(local);
        lastPoint = where;
    }
    return onMouseMoved(where, buttons);
}

CMouseEventResult CKnob::onMouseUp(CPoint&, const CButtonState&) {
    endEdit();
    return kMouseEventHandled;
}

CMouseEventResult CKnob::onMouseMoved(CPoint& where, const CButtonState& buttons) {
    if (!(buttons & kLButton)) return kMouseEventHandled;
    if (where == lastPoint) return kMouseEventHandled;  // a press alone changes nothing
    lastPoint = where;
    if (modeLinear) {
        // Up and right increase the value.
        CCoord diff = (firstPoint.v - where.v) + (where.h - firstPoint.h);
        if (buttons != oldButton) {  // Shift pressed or released mid-drag: keep the position
            range = kLinearRange * ((buttons & kShift) ? zoomFactor : 1.0f);
            float coef2 = getRange() / range;
            entryValue += static_cast<float>(diff * (coef - coef2));
            coef = coef2;
            oldButton = buttons;
        }
        value = static_cast<float>(entryValue + diff * coef);
        bounceValue();
    } else {
        CPoint local(where);
        local.offset(-size.left, -size.top);
        value = valueFromPoint(local);
        // No jumps across the gap between the ends.
        float middle = getRange() * 0.5f;
        if (startValue - value > middle)
            value = vmax;
        else if (value - startValue > middle)
            value = vmin;
        else
            startValue = value;
    }
    if (value != getOldValue()) valueChanged();
    if (isDirty()) invalid();
    return kMouseEventHandled;
}

bool CKnob::onWheel(const CPoint&, float distance, const CButtonState& buttons) {
    stepByWheel(distance, buttons);
    return true;
}

// ---------------------------------------------------------------- CAnimKnob

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                     const CPoint& offset)
    : CKnob(size, listener, tag, background, offset) {
    heightOfOneImage = size.getHeight();
    if (background && heightOfOneImage > 0)
        subPixmaps = static_cast<int32_t>(background->getHeight() / heightOfOneImage);
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                     CCoord heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CKnob(size, listener, tag, background, offset), subPixmaps(subPixmaps), heightOfOneImage(heightOfOneImage) {}

int32_t CAnimKnob::currentFrame() const {
    if (subPixmaps < 1 || heightOfOneImage <= 0) return 0;
    float v = getValueNormalized();
    if (inverseBitmap) v = 1.0f - v;
    return static_cast<int32_t>(std::floor(v * (subPixmaps - 1) * heightOfOneImage) / heightOfOneImage);
}

void CAnimKnob::draw(CDrawContext* context) {
    if (background && heightOfOneImage > 0) {
        CPoint where(offset.h, offset.v + currentFrame() * heightOfOneImage);
        background->draw(context, size, where);
    }
    setDirty(false);
}

}  // namespace VSTGUI
