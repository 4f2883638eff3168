#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "HalvoVST2.h"
#include "ParameterTable.h"
#include "TestHost.h"

using namespace halvorax;

namespace {

class Parameters : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        effect = std::make_unique<HalvoVST2>(test::recordingHost);
    }
    std::string display(int index, float value) {
        effect->setParameter(index, value);
        char text[kParamTextSize + 8];
        std::memset(text, 0, sizeof text);
        effect->getParameterDisplay(index, text);
        return text;
    }
    std::string name(int index) {
        char text[kParamTextSize + 8] = {};
        effect->getParameterName(index, text);
        return text;
    }
    std::unique_ptr<HalvoVST2> effect;
};

TEST_F(Parameters, NamesFollowTheLastRowWithTheIndex) {
    EXPECT_EQ(name(26), "LFO Rate");
    EXPECT_EQ(name(43), "Master Volume");
    EXPECT_EQ(name(38), "Poly Mode");
    EXPECT_EQ(name(46), "Chord Write");
    EXPECT_EQ(name(55), "Aftertouch Enabled");
    for (int noRow : {39, 40, 41, 42, 44, 45, 58, 60, 127}) EXPECT_EQ(name(noRow), "") << noRow;
}

TEST_F(Parameters, DisplayTexts) {
    EXPECT_EQ(display(43, 1.0f), "127");  // the 0..127 row decides, not the 0..1 one
    EXPECT_EQ(display(7, 0.6f), "3(PWM)");
    EXPECT_EQ(display(8, 0.6f), "3");
    EXPECT_EQ(display(17, 1.0f), "Dyn");
    EXPECT_EQ(display(3, 1.0f), "-Dyn.Env");
    EXPECT_EQ(display(22, 1.0f / 3.0f), "Gate");
    EXPECT_EQ(display(6, 1.0f), "3(PWM)");
    EXPECT_EQ(display(14, 0.5f), "63");
    EXPECT_EQ(display(5, 0.5f), "6");
    EXPECT_EQ(display(24, 1e-9f), "On");
    EXPECT_EQ(display(24, 0.0f), "Off");
    EXPECT_EQ(display(37, 1.0f), "On");
    EXPECT_EQ(display(47, 0.0f), "Off");
    EXPECT_EQ(display(40, 0.7f), "");  // stored, but no text
    EXPECT_FLOAT_EQ(effect->getParameter(40), 0.7f);
}

TEST_F(Parameters, SetParameterBoundsAndLearnTarget) {
    effect->setParameter(14, 0.25f);
    EXPECT_EQ(effect->getLearnTarget(), 14);
    effect->setParameter(60, 0.5f);
    effect->setParameter(-1, 0.5f);
    effect->setParameter(std::numeric_limits<int>::min(), 0.5f);
    EXPECT_EQ(effect->getLearnTarget(), 14);
    EXPECT_EQ(effect->getParameter(60), 0.0f);
    EXPECT_EQ(effect->getParameter(-5), 0.0f);
}

TEST_F(Parameters, FiniteValuesAreHeldToTheRangeKeepingTheirBitsInsideAndOthersRefusedWhole) {
    const struct {
        int index;
        float value, stored;
    } cases[] = {{20, 1.5f, 1.0f}, {20, -3.0f, 0.0f},    {20, 0.3f, 0.3f},   {43, 1e30f, 1.0f}, {25, 1e-45f, 1e-45f},
                 {48, 9.0f, 6.0f}, {49, 200.0f, 127.0f}, {49, 65.0f, 65.0f}, {40, -0.0f, 0.0f}};
    for (const auto& c : cases) {
        effect->setParameter(c.index, c.value);
        EXPECT_EQ(effect->getParameter(c.index), c.stored) << c.index << " " << c.value;
    }
    effect->setParameter(14, 0.25f);
    effect->setParameter(15, 0.5f);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()})
        effect->setParameter(14, bad);
    EXPECT_FLOAT_EQ(effect->getParameter(14), 0.25f);
    EXPECT_EQ(effect->getLearnTarget(), 15);
}

TEST_F(Parameters, NamesAndDisplaysFitTheTextBuffer) {
    for (int i = 0; i < kNumReportedParameters; ++i) {
        char text[kParamTextSize + 16];
        std::memset(text, 'x', sizeof text);
        effect->getParameterName(i, text);
        effect->getParameterDisplay(i, text);
        for (std::size_t b = kParamTextSize; b < sizeof text; ++b) ASSERT_EQ(text[b], 'x') << i;
    }
}

TEST_F(Parameters, AutomationAndEditGesturesReachTheHost) {
    test::hostCalls().clear();
    effect->setParameterAutomated(21, 0.75f);
    EXPECT_TRUE(effect->beginEdit(21));
    EXPECT_TRUE(effect->endEdit(21));
    ASSERT_EQ(test::hostCalls().size(), 3u);
    EXPECT_EQ(test::hostCalls()[0].opcode, audioMasterAutomate);
    EXPECT_EQ(test::hostCalls()[0].index, 21);
    EXPECT_FLOAT_EQ(test::hostCalls()[0].opt, 0.75f);
    EXPECT_EQ(test::hostCalls()[1].opcode, audioMasterBeginEdit);
    EXPECT_EQ(test::hostCalls()[2].opcode, audioMasterEndEdit);
    EXPECT_FLOAT_EQ(effect->getParameter(21), 0.75f);  // stored before the host hears of it
}

}  // namespace
