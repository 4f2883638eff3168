// The patch display: the version banner and its fade, and the status line in each of its
// forms, MIDI learn included. (Held messages: the patch menu's load and save errors.)
#include "EditorTestSupport.h"

namespace halvorax::test {
namespace {

using DisplayTest = EditorTest;

TEST_F(DisplayTest, OnlyTheFirstOpeningShowsTheBannerFor75TicksThenTheLightCopyAloneThenTheStatusLine) {
    openEditor();
    for (int tick = 1; tick <= kBannerTicks; ++tick) {
        idle();
        ASSERT_EQ(display(), kVersionBanner) << "tick " << tick;
        ASSERT_EQ(highlight(), kVersionBanner);
    }
    for (int tick = 1; tick <= kBannerFadeTicks; ++tick) {
        idle();
        ASSERT_EQ(display(), "") << "fade tick " << tick;
        ASSERT_EQ(highlight(), kVersionBanner);
    }
    EXPECT_EQ(gui->getDisplayState(), kDisplayNormal);
    idle();
    EXPECT_EQ(display(), patchName());
    EXPECT_EQ(highlight(), patchName());
    // Later openings go straight to the status line.
    dispatch(effEditClose);
    openEditor();
    idle();
    EXPECT_EQ(display(), patchName());
}

TEST_F(DisplayTest, ABannerCutShortByClosingGoesOnAtTheNextOpening) {
    openEditor();
    idle(70);
    dispatch(effEditClose);
    openEditor();  // its own update shows the banner once more
    idle(4);
    EXPECT_EQ(display(), kVersionBanner);
    idle();
    EXPECT_EQ(display(), "");
}

TEST_F(DisplayTest, MovingAControlDuringTheBannerEndsIt) {
    openEditor();
    idle(10);
    ASSERT_EQ(display(), kVersionBanner);
    touch(26, 0.5f);
    EXPECT_EQ(gui->getDisplayState(), kDisplayNormal);
    idle();
    EXPECT_NE(display().find("LFO Rate"), std::string::npos) << display();
}

TEST_F(DisplayTest, AControlChangeDuringTheFadeLetsItFinish) {
    openEditor();
    idle(kBannerTicks + 1);
    ASSERT_EQ(gui->getDisplayState(), kDisplayBannerFade);
    touch(26, 0.5f);
    EXPECT_EQ(gui->getDisplayState(), kDisplayBannerFade);
}

class StatusLineTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        openEditor();
        idle(kBannerTicks + kBannerFadeTicks + 1);  // past the banner
    }
};

TEST_F(StatusLineTest, ShowsThePatchNameInTenPlacesWithoutItsExtension) {
    effect->InitializePatch();
    ASSERT_STREQ(effect->getPatchFile(), "Init Patch.repatch");
    idle();
    EXPECT_EQ(display(), "Init Patch");
    effect->splitPatchFilename("/x/Bass.repatch");
    idle();
    EXPECT_EQ(display(), "      Bass");
    effect->splitPatchFilename("/x/A.long.name.repatch");
    idle();
    EXPECT_EQ(display(), "A.long.name");
}

TEST_F(StatusLineTest, ATouchedParameterShowsItsNameAndDisplayAfterThePatchNameAndTheHostsNoteLast) {
    effect->InitializePatch();
    touch(26, 0.5f);
    EXPECT_EQ(gui->getLastParam(), 26);
    idle();
    EXPECT_EQ(display(), "Init Patch | LFO Rate: " + parameterDisplay(26));
    EXPECT_EQ(highlight(), display());
    gui->setStatusNote("xruns 3");
    idle();
    EXPECT_EQ(display(), "Init Patch | LFO Rate: " + parameterDisplay(26) + " | xruns 3");
    gui->setStatusNote("");
    idle();
    EXPECT_EQ(display(), "Init Patch | LFO Rate: " + parameterDisplay(26));
}

TEST_F(StatusLineTest, WithoutThePatchNameOnlyTheParameterShows) {
    ASSERT_TRUE(gui->getShowPatchName());
    gui->patchMenuDispatch(6);  // "Show patch name"
    ASSERT_FALSE(gui->getShowPatchName());
    touch(26, 0.25f);
    idle();
    EXPECT_EQ(display(), "LFO Rate: " + parameterDisplay(26));
}

TEST_F(StatusLineTest, ALongLineIsCutTo255Characters) {
    effect->splitPatchFilename(("/x/" + std::string(240, 'n') + ".repatch").c_str());
    touch(26, 0.5f);
    idle();
    EXPECT_EQ(display().size(), 255u);
    EXPECT_EQ(display().substr(0, 243), std::string(240, 'n') + " | ");
}

TEST_F(StatusLineTest, TheWheelsHaveNoNameSoThePatchNameStays) {
    touch(44, 0.9f);
    idle();
    EXPECT_EQ(display(), patchName());
    touch(45, 0.3f);
    idle();
    EXPECT_EQ(display(), patchName());
}

TEST_F(StatusLineTest, MidiLearnAsksForAParameterThenBlinksTheLearnLine) {
    effect->toggleMidiLearn();
    ASSERT_TRUE(effect->getMidiLearn());
    idle();
    EXPECT_EQ(display(), "Touch a parameter");
    touch(14, 0.5f);
    std::vector<std::string> lines;
    for (int i = 0; i < 8; ++i) {
        idle();
        const std::string expected =
            gui->getIdleCount() % 8 < 3 ? "Midi Learn: N/A -> VCF Freq" : "Midi Learn  N/A -> VCF Freq";
        EXPECT_EQ(display(), expected) << "idle " << gui->getIdleCount();
        lines.push_back(display());
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Midi Learn: N/A -> VCF Freq"), 3);
}

TEST_F(StatusLineTest, ALearnedControllerShowsAsItsNumberInTwoPlaces) {
    effect->toggleMidiLearn();
    touch(14, 0.5f);
    effect->ccMap[7] = 14;
    while (gui->getIdleCount() % 8 != 0) idle();
    idle();  // idle count 8k+1: the colon shows
    EXPECT_EQ(display(), "Midi Learn: CC # 7 -> VCF Freq");
    effect->ccMap[7] = -1;
    effect->ccMap[74] = 14;
    idle();
    EXPECT_EQ(display(), "Midi Learn: CC #74 -> VCF Freq");
}

}  // namespace
}  // namespace halvorax::test
