// Mouse and value logic of the stock controls, driven through an off-screen frame.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

using namespace VSTGUI;
using toolkit_test::Recorder;

namespace {

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_test::resourceDir();
        toolkit_test::writeStrip("knob.png", 40, 40, 128);
        toolkit_test::writeStrip("handle.png", 20, 10, 1);
        toolkit_test::writeStrip("button.png", 30, 18, 4);
        toolkit_test::writeStrip("rocker.png", 20, 30, 3);
        frame = new CFrame(CRect(0, 0, 400, 300), nullptr, &rec);
    }
    void TearDown() override {
        frame->forget();
        for (CBitmap* b : bitmaps) b->forget();
    }

    template <typename T>
    T* add(T* view) {
        frame->addView(view);
        return view;
    }
    void click(CPoint p, CButtonState b = kLButton) {
        frame->mouseDown(p, b);
        frame->mouseUp(p, b);
    }

    // A bitmap released when the test ends (after the frame, which owns the controls).
    CBitmap* bitmapNamed(const char* name) {
        bitmaps.push_back(new CBitmap(name));
        return bitmaps.back();
    }

    Recorder rec;
    CFrame* frame = nullptr;
    std::vector<CBitmap*> bitmaps;
};

TEST_F(ControlTest, LinearKnobFollowsVerticalDragAndBracketsTheGesture) {
    CBitmap* strip = bitmapNamed("knob.png");
    auto* knob = add(new CAnimKnob(CRect(10, 10, 50, 50), &rec, 7, strip));
    EXPECT_EQ(knob->getNumSubPixmaps(), 128);
    frame->mouseDown(CPoint(30, 30), kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 0.0f);       // a press alone changes nothing
    frame->mouseMoved(CPoint(30, -10), kLButton);  // 40 of 200 pixels up
    EXPECT_NEAR(knob->getValue(), 0.2f, 1e-6);
    frame->mouseMoved(CPoint(30, -400), kLButton);
    EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);  // limited to the range
    frame->mouseUp(CPoint(30, -400), kLButton);
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_EQ(rec.changes[0].first, 7);
    EXPECT_FLOAT_EQ(rec.changes[1].second, 1.0f);
    EXPECT_EQ(rec.gestures, (std::vector<std::string>{"begin 7", "end 7"}));
}

TEST_F(ControlTest, AltSwitchesLinearKnobToCircularDrag) {
    CBitmap* strip = bitmapNamed("knob.png");
    auto* knob = add(new CAnimKnob(CRect(0, 0, 40, 40), &rec, 1, strip));
    frame->mouseDown(CPoint(20, 0), kLButton | kAlt);  // twelve o'clock: middle of 270 degrees
    frame->mouseMoved(CPoint(21, 0), kLButton | kAlt);
    EXPECT_NEAR(knob->getValue(), 0.5f, 0.02f);
    frame->mouseMoved(CPoint(40, 20), kLButton | kAlt);  // three o'clock
    EXPECT_NEAR(knob->getValue(), 225.0f / 270.0f, 1e-4);
    frame->mouseUp(CPoint(40, 20), kLButton);
}

TEST_F(ControlTest, VerticalSliderGrabsHandleOrJumpsToThePress) {
    CBitmap* handle = bitmapNamed("handle.png");
    // 116 pixels of range, a 10-pixel handle: 106 pixels of travel, minimum at the bottom.
    auto* slider = add(new CVerticalSlider(CRect(50, 20, 70, 136), &rec, 3, CPoint(0, 0), 116, handle, nullptr,
                                           CPoint(0, 0), kBottom));
    EXPECT_EQ(slider->getHandleRect(), CRect(50, 126, 70, 136));
    frame->mouseDown(CPoint(60, 130), kLButton);  // on the handle, 4 pixels below its top
    EXPECT_FLOAT_EQ(slider->getValue(), 0.0f);
    frame->mouseMoved(CPoint(60, 24), kLButton);  // handle top to the first position
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
    frame->mouseMoved(CPoint(60, -50), kLButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
    frame->mouseUp(CPoint(60, -50), kLButton);
    EXPECT_EQ(rec.gestures, (std::vector<std::string>{"begin 3", "end 3"}));

    frame->mouseDown(CPoint(60, 20 + 53 + 5), kLButton);  // off the handle: its centre jumps here
    EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
    frame->mouseUp(CPoint(60, 78), kLButton);
    EXPECT_FLOAT_EQ(rec.changes.back().second, 0.5f);
}

TEST_F(ControlTest, OtherButtonsDuringADragAreIgnored) {
    CBitmap* handle = bitmapNamed("handle.png");
    auto* slider = add(new CVerticalSlider(CRect(50, 20, 70, 136), &rec, 3, CPoint(0, 0), 116, handle, nullptr,
                                           CPoint(0, 0), kBottom));
    frame->mouseDown(CPoint(60, 131), kLButton);
    frame->mouseDown(CPoint(60, 131), kRButton);
    frame->mouseUp(CPoint(60, 131), kRButton);
    frame->mouseMoved(CPoint(60, 25), kLButton | kRButton);
    EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);  // still dragging
    frame->mouseUp(CPoint(60, 25), kLButton);
    EXPECT_EQ(rec.gestures, (std::vector<std::string>{"begin 3", "end 3"}));
}

TEST_F(ControlTest, OnOffButtonTogglesOnLeftPressOnly) {
    CBitmap* bitmap = bitmapNamed("button.png");
    auto* button = add(new COnOffButton(CRect(100, 100, 130, 118), &rec, 24, bitmap, 0));
    click(CPoint(110, 105));
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    click(CPoint(110, 105), kRButton);
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    click(CPoint(110, 105));
    EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, 1.0f);
    EXPECT_FLOAT_EQ(rec.changes[1].second, 0.0f);
    EXPECT_EQ(rec.gestures.size(), 4u);
}

TEST_F(ControlTest, KickButtonFiresOnReleaseOverItOnly) {
    CBitmap* bitmap = bitmapNamed("button.png");
    auto* kick = add(new CKickButton(CRect(10, 10, 40, 28), &rec, 102, bitmap));
    frame->mouseDown(CPoint(20, 15), kLButton);
    EXPECT_FLOAT_EQ(kick->getValue(), 1.0f);
    EXPECT_TRUE(rec.changes.empty());
    frame->mouseUp(CPoint(20, 15), kLButton);
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, 1.0f);
    EXPECT_FLOAT_EQ(rec.changes[1].second, 0.0f);

    rec.changes.clear();
    frame->mouseDown(CPoint(20, 15), kLButton);
    frame->mouseMoved(CPoint(200, 200), kLButton);  // dragged off: cancelled
    EXPECT_FLOAT_EQ(kick->getValue(), 0.0f);
    frame->mouseUp(CPoint(200, 200), kLButton);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, 0.0f);
}

TEST_F(ControlTest, VerticalRockerReportsHalvesAndSpringsBackSilently) {
    CBitmap* bitmap = bitmapNamed("rocker.png");
    auto* rocker = add(new CRockerSwitch(CRect(200, 10, 220, 40), &rec, 101, bitmap, CPoint(0, 0), kVertical));
    frame->mouseDown(CPoint(210, 12), kLButton);
    frame->mouseMoved(CPoint(210, 14), kLButton);
    frame->mouseMoved(CPoint(211, 15), kLButton);  // more moves in the same half: no repeats
    EXPECT_FLOAT_EQ(rocker->getValue(), -1.0f);
    frame->mouseUp(CPoint(211, 15), kLButton);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.0f);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, -1.0f);

    click(CPoint(210, 35));
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_FLOAT_EQ(rec.changes[1].second, 1.0f);
    EXPECT_FLOAT_EQ(rocker->getValue(), 0.0f);
}

TEST_F(ControlTest, MovieBitmapShowsFrameOfValueAndIgnoresMouse) {
    toolkit_test::writeStrip("led.png", 12, 12, 2);
    CBitmap* bitmap = bitmapNamed("led.png");
    auto* led = add(new CMovieBitmap(CRect(9, 16, 21, 28), &rec, 100, bitmap));
    EXPECT_EQ(led->currentFrame(), 0);
    led->setValue(1.0f);
    EXPECT_EQ(led->currentFrame(), 1);
    EXPECT_EQ(frame->mouseDown(CPoint(12, 20), kLButton), kMouseEventNotHandled);
}

}  // namespace
