// The instrument's own controls: the spring-back bender wheel and the sequence fader.
// (The bender's drag to the top and spring back to 8191 are checked with the editor.)
#include <gtest/gtest.h>

#include "CPitchWheel.h"
#include "CSequenceFader.h"
#include "toolkit_test_support.h"

using namespace VSTGUI;
using toolkit_test::Recorder;

namespace {

class CustomControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        toolkit_test::resourceDir();
        toolkit_test::writeStrip("wheel.png", 28, 110, 128);
        toolkit_test::writeStrip("fader.png", 20, 131, 16);
        frame = new CFrame(CRect(0, 0, 400, 430), nullptr, &rec);
        CBitmap* wheelStrip = new CBitmap("wheel.png");
        // The bender's panel row: inverse strip, rest value and value 0.5.
        wheel = new CPitchWheel(CRect(65, 270, 93, 380), &rec, 44, wheelStrip);
        wheelStrip->forget();
        wheel->setInverseBitmap(true);
        wheel->restValue = 0.5f;
        wheel->setValue(0.5f);
        frame->addView(wheel);
        CBitmap* faderStrip = new CBitmap("fader.png");
        fader = new CSequenceFader(CRect(200, 100, 220, 231), &rec, 9, faderStrip);
        faderStrip->forget();
        fader->setNumberOfFrames(16);
        frame->addView(fader);
        frame->idle();  // both drawn once
    }
    void TearDown() override {
        if (frame) frame->forget();
    }

    Recorder rec;
    CFrame* frame = nullptr;
    CPitchWheel* wheel = nullptr;
    CSequenceFader* fader = nullptr;
};

TEST_F(CustomControlTest, ClosingTheWindowMidDragReleasesTheWheel) {
    frame->mouseDown(CPoint(79, 325), kLButton);
    frame->mouseMoved(CPoint(79, 200), kLButton);
    frame->forget();
    frame = nullptr;
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_FLOAT_EQ(rec.changes.back().second, 0.5f);  // no bend left hanging
    EXPECT_EQ(rec.gestures, (std::vector<std::string>{"begin 44", "end 44"}));
}

TEST_F(CustomControlTest, WheelReleasedAtRestSendsNoExtraCall) {
    frame->mouseDown(CPoint(79, 325), kLButton);
    frame->mouseUp(CPoint(79, 325), kLButton);
    EXPECT_TRUE(rec.changes.empty());

    // Moved away and back before the release: the last report was 0.5 already.
    frame->mouseDown(CPoint(79, 325), kLButton);
    frame->mouseMoved(CPoint(79, 305), kLButton);
    frame->mouseMoved(CPoint(79, 325), kLButton);
    frame->idle();
    frame->mouseUp(CPoint(79, 325), kLButton);
    ASSERT_EQ(rec.changes.size(), 2u);
    EXPECT_FLOAT_EQ(rec.changes.back().second, 0.5f);
}

// A press in the middle is covered with the editor's fader row; here the edges.
TEST_F(CustomControlTest, FaderPressNearTheEdges) {
    frame->mouseDown(CPoint(210, 105), kLButton);  // 5 below the top
    const float expected = static_cast<float>(1.0 - (5.0 - 15.0) / 116.0);
    EXPECT_FLOAT_EQ(fader->getValue(), expected);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_FLOAT_EQ(rec.changes[0].second, expected);  // reaches the listener unchanged
    frame->mouseMoved(CPoint(210, 104), kLButton);
    EXPECT_FLOAT_EQ(fader->getValue(), 1.0f);
    frame->mouseUp(CPoint(210, 104), kLButton);
    EXPECT_EQ(rec.gestures, (std::vector<std::string>{"begin 9", "end 9"}));

    CPoint bottomEdge(210, 231);  // outside the half-open hit area, so sent to the fader itself
    fader->onMouseDown(bottomEdge, kLButton);
    EXPECT_FLOAT_EQ(fader->getValue(), 0.0f);
    fader->onMouseUp(bottomEdge, kLButton);
}

TEST_F(CustomControlTest, FaderTakesOnlyPlainLeftPresses) {
    for (CButtonState b : std::vector<CButtonState>{kRButton, kMButton, kButton4, kButton5, kLButton | kRButton}) {
        CPoint p(210, 173);
        EXPECT_EQ(fader->onMouseDown(p, b), kMouseEventNotHandled) << b;
    }
    EXPECT_TRUE(rec.changes.empty());
    CPoint p(210, 173);
    EXPECT_EQ(fader->onMouseDown(p, kLButton | kShift), kMouseEventHandled);
    fader->onMouseUp(p, kLButton);
    EXPECT_EQ(fader->onMouseDown(p, kLButton | kAlt), kMouseEventHandled);
    fader->onMouseUp(p, kLButton);
}

}  // namespace
