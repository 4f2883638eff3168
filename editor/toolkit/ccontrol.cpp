#include "ccontrol.h"

#include "cframe.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag) {
    if (background) setBackground(background);
    setTransparency(true);
}

void CControl::setValueNormalized(float val) {
    if (val < 0.0f) val = 0.0f;
    if (val > 1.0f) val = 1.0f;
    setValue(vmin + val * getRange());
}

float CControl::getValueNormalized() const {
    if (getRange() == 0.0f) return 0.0f;
    float n = (value - vmin) / getRange();
    return n < 0.0f ? 0.0f : (n > 1.0f ? 1.0f : n);
}

void CControl::valueChanged() {
    if (listener) listener->valueChanged(this);
}

void CControl::stepByWheel(float distance, const CButtonState& buttons) {
    const float before = value;
    setValueNormalized(getValueNormalized() + distance * wheelInc * ((buttons & kShift) ? 0.1f : 1.0f));
    if (value != before) {
        beginEdit();
        valueChanged();
        endEdit();
        invalid();
    }
}

void CControl::beginEdit() {
    ++editing;
    if (listener) listener->controlBeginEdit(this);
    if (getFrame()) getFrame()->beginEdit(tag);
}

void CControl::endEdit() {
    if (editing > 0) --editing;
    if (getFrame()) getFrame()->endEdit(tag);
    if (listener) listener->controlEndEdit(this);
}

void CControl::bounceValue() {
    if (value > vmax) value = vmax;
    if (value < vmin) value = vmin;
}

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    if (val)
        oldValue = value != -1.0f ? -1.0f : 0.0f;  // any value other than the current one
    else
        oldValue = value;
}

bool CControl::isDirty() const { return oldValue != value || CView::isDirty(); }

}  // namespace VSTGUI
