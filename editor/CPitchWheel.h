// The bender wheel: a film-strip knob that springs back to its rest value on release.
#pragma once

#include "cknob.h"

class CPitchWheel : public VSTGUI::CAnimKnob {
public:
    using CAnimKnob::CAnimKnob;
    CPitchWheel(const CPitchWheel& other) = default;
    ~CPitchWheel() override = default;

    VSTGUI::CMouseEventResult onMouseUp(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;

    float restValue = 0.5f;
};
