#include "CSequenceFader.h"

#include <cstring>

using namespace VSTGUI;

bool CSequenceFader::isTypeOf(const char* s) const {
    return std::strcmp(s, "CSequenceFader") == 0 || CAnimKnob::isTypeOf(s);
}

// Only a plain left press is taken (modifier keys do not matter). The press position sets
// the value directly (unlimited; the drag that follows keeps it in range), then the knob's
// drag starts. The gesture is begun once, so the host sees one begin and one end.
CMouseEventResult CSequenceFader::onMouseDown(CPoint& where, const CButtonState& buttons) {
    if ((buttons & kMouseButtonMask) != kLButton) return kMouseEventNotHandled;
    const CRect& r = getViewSize();
    double v = 1.0 - (where.v - kTopMargin - r.top) / (r.getHeight() - kTopMargin);
    value = static_cast<float>(v);
    beginEdit();
    if (value != getOldValue()) valueChanged();
    return startDrag(where, buttons);
}
