// CControl: a view with a value, a range and a tag that reports changes to its listener;
// CControlListener: the receiver of those reports (the editor).
#pragma once

#include "cview.h"

namespace VSTGUI {

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    virtual int32_t controlModifierClicked(CControl* control, CButtonState button) { return 0; }
    virtual void controlBeginEdit(CControl* control) {}
    virtual void controlEndEdit(CControl* control) {}
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0, CBitmap* background = nullptr);
    CControl(const CControl& other) = default;

    // Sets the value without telling the listener; the control redraws on a later idle.
    virtual void setValue(float val) { value = val; }
    virtual float getValue() const { return value; }
    void setValueNormalized(float val);
    float getValueNormalized() const;
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    float getRange() const { return vmax - vmin; }
    void setOldValue(float val) { oldValue = val; }
    float getOldValue() const { return oldValue; }
    void setDefaultValue(float val) { defaultValue = val; }
    float getDefaultValue() const { return defaultValue; }
    void setWheelInc(float val) { wheelInc = val; }
    float getWheelInc() const { return wheelInc; }

    virtual void setTag(int32_t val) { tag = val; }
    int32_t getTag() const { return tag; }
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }

    // Tells the listener about the current value.
    virtual void valueChanged();
    // Brackets a user gesture: reaches the listener and, through the frame, the editor.
    virtual void beginEdit();
    virtual void endEdit();
    bool isEditing() const { return editing > 0; }

    // Limits the value to the range.
    virtual void bounceValue();

    // A control is dirty while its value differs from the value it last drew.
    void setDirty(bool val = true) override;
    bool isDirty() const override;

    bool isTypeOf(const char* s) const override { return std::strcmp(s, "CControl") == 0 || CView::isTypeOf(s); }

protected:
    // One wheel step of `distance` notches (a tenth of one with Shift): the value moves by
    // the wheel increment, and a change is announced as one whole edit.
    void stepByWheel(float distance, const CButtonState& buttons);
    CControlListener* listener;
    int32_t tag;
    float value = 0.0f;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float wheelInc = 0.1f;
    int32_t editing = 0;
};

}  // namespace VSTGUI
