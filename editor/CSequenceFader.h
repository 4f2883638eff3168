// A film-strip fader that jumps to the pressed position, then drags like a knob.
#pragma once

#include "cknob.h"

class CSequenceFader : public VSTGUI::CAnimKnob {
public:
    using CAnimKnob::CAnimKnob;
    CSequenceFader(const CSequenceFader& other) = default;
    ~CSequenceFader() override = default;

    bool isTypeOf(const char* s) const override;
    VSTGUI::CView* newCopy() const override { return new CSequenceFader(*this); }
    void draw(VSTGUI::CDrawContext* context) override { CAnimKnob::draw(context); }
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
    virtual void setNumberOfFrames(int32_t count) { numberOfFrames = count; }
    int32_t getNumberOfFrames() const { return numberOfFrames; }

    // Pixels at the top of the fader above the position of the maximum.
    static constexpr double kTopMargin = 15.0;

private:
    int32_t numberOfFrames = 0;
};
