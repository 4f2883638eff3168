// CKnob: a rotary control dragged linearly or around its centre; CAnimKnob: a knob drawn
// as one frame of a film strip (frames stacked vertically in its bitmap).
#pragma once

#include "ccontrol.h"

namespace VSTGUI {

class CKnob : public CControl {
public:
    CKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
          const CPoint& offset = CPoint(0, 0));
    CKnob(const CKnob& other) = default;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    // Angles in degrees, counter-clockwise from three o'clock; the value grows clockwise.
    void setStartAngle(float degrees) { startAngle = degrees; }
    void setRangeAngle(float degrees) { rangeAngle = degrees; }
    void setZoomFactor(float f) { zoomFactor = f; }
    // Value of a point given relative to the knob's top-left corner (circular mode).
    virtual float valueFromPoint(const CPoint& point) const;

    CLASS_METHODS(CKnob, CControl)

protected:
    // Starts a drag at the pressed point (the gesture must already have begun).
    CMouseEventResult startDrag(CPoint& where, const CButtonState& buttons);

    static constexpr float kLinearRange = 200.0f;  // pixels for the whole range

    CPoint offset;
    float startAngle = 225.0f;
    float rangeAngle = 270.0f;
    float zoomFactor = 10.0f;
    // Drag state.
    CPoint firstPoint, lastPoint;
    float startValue = 0.0f, entryValue = 0.0f, range = kLinearRange, coef = 0.0f;
    CButtonState oldButton = 0;
    bool modeLinear = false;
};

class CAnimKnob : public CKnob {
public:
    // The frame height is the control's height; the frame count follows from the bitmap.
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
              const CPoint& offset = CPoint(0, 0));
    CAnimKnob(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps, CCoord heightOfOneImage,
              CBitmap* background, const CPoint& offset = CPoint(0, 0));
    CAnimKnob(const CAnimKnob& other) = default;

    void draw(CDrawContext* context) override;

    void setInverseBitmap(bool val) {
        inverseBitmap = val;
        setDirty(true);
    }
    bool getInverseBitmap() const { return inverseBitmap; }
    void setNumSubPixmaps(int32_t n) { subPixmaps = n; }
    int32_t getNumSubPixmaps() const { return subPixmaps; }
    void setHeightOfOneImage(CCoord h) { heightOfOneImage = h; }
    CCoord getHeightOfOneImage() const { return heightOfOneImage; }
    // The strip frame shown for the current value (counting from the top of the bitmap).
    int32_t currentFrame() const;

    CLASS_METHODS(CAnimKnob, CKnob)

protected:
    int32_t subPixmaps = 0;
    CCoord heightOfOneImage = 0;
    bool inverseBitmap = false;
};

}  // namespace VSTGUI
