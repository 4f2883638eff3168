// Bitmap buttons: COnOffButton (toggles), CKickButton (momentary), CRockerSwitch
// (three positions, springs back to the middle).
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

// Two looks stacked in the bitmap: off in the upper half, on in the lower half.
class COnOffButton : public CControl {
public:
    enum { kPreListenerUpdate = 0, kPostListenerUpdate = 1 };
    COnOffButton(const CRect& size, CControlListener* listener = nullptr, int32_t tag = -1,
                 CBitmap* background = nullptr, int32_t style = kPreListenerUpdate);
    COnOffButton(const COnOffButton& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;

    CLASS_METHODS(COnOffButton, CControl)

protected:
    int32_t style;
};

// Shows the maximum while pressed with the pointer over it; a release over the button
// reports the maximum and then the minimum, a release elsewhere only the minimum.
class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                const CPoint& offset = CPoint(0, 0));
    CKickButton(const CKickButton& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

    CLASS_METHODS(CKickButton, CControl)

protected:
    CPoint offset;
    CCoord heightOfOneImage;
};

// Range −1..+1. Pressing the first half (left, or top with the vertical style) gives the
// minimum, the second half the maximum; the listener hears each change while pressed.
// Releasing returns the value to 0 without telling the listener.
class CRockerSwitch : public CControl {
public:
    CRockerSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0), int32_t style = kHorizontal);
    CRockerSwitch(const CRockerSwitch& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;

    CLASS_METHODS(CRockerSwitch, CControl)

protected:
    CPoint offset;
    int32_t style;
    float entryValue = 0.0f;
};

}  // namespace VSTGUI
