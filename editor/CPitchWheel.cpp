#include "CPitchWheel.h"

using namespace VSTGUI;

CMouseEventResult CPitchWheel::onMouseUp(CPoint& where, const CButtonState& buttons) {
    setValue(restValue);
    if (getValue() != getOldValue()) valueChanged();
    if (isDirty()) invalid();
    return CAnimKnob::onMouseUp(where, buttons);
}
