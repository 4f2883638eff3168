// The patch menu of an open (off-screen) editor: its entries, toggles, MIDI learn switch,
// patch list, rocker stepping, file commands and their messages, on real patch folders.
// Choosing entries with the pointer, on each backend, is in x11/.
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <vector>

#include "MenuTestSupport.h"
#include "JunoSysex.h"

namespace halvorax::test {
namespace {

TEST_F(PatchMenuTest, TogglesFlipTheirParametersWithoutTheHostAndTheirTextsFollow) {
    struct Toggle {
        int entry, parameter;
        const char *on, *off;
    };
    const Toggle toggles[] = {{8, 55, "Aftertouch: On", "Aftertouch: Off"},
                              {9, 56, "Retrigger DCO: On", "Retrigger DCO: Off"},
                              {10, 57, "Retrigger LFO: On", "Retrigger LFO: Off"},
                              {11, 59, "Filter Type: Alpha Juno", "Filter Type: Halvorax 1.0"}};
    gui->idle();
    for (const Toggle& t : toggles) {
        for (int round = 0; round < 2; ++round) {
            const bool wasOn = effect->getParameter(t.parameter) > 0;
            EXPECT_EQ(entryText(t.entry), wasOn ? t.on : t.off);
            const int automated = countCalls(audioMasterAutomate);
            gui->patchMenuDispatch(t.entry);
            EXPECT_EQ(effect->getParameter(t.parameter), wasOn ? 0.0f : 1.0f) << t.parameter;
            EXPECT_EQ(countCalls(audioMasterAutomate), automated) << "the host is not told";
            gui->idle();
            EXPECT_EQ(entryText(t.entry), wasOn ? t.off : t.on);
        }
    }

    gui->patchMenuDispatch(6);
    EXPECT_FALSE(gui->getShowPatchName());
    gui->idle();
    EXPECT_EQ(entryText(6), "Show patch name: Off");
    gui->patchMenuDispatch(6);
    gui->idle();
    EXPECT_EQ(entryText(6), "Show patch name: On");

    EXPECT_EQ(entryText(5), "Midi Learn: Off");
    gui->patchMenuDispatch(5);
    EXPECT_EQ(effect->getMidiLearn(), 1);
    gui->idle();
    EXPECT_EQ(entryText(5), "Midi Learn: On");
}

// A sub-folder (an imported bank) is a sub-menu after the files, its patches by name; the
// rocker then steps through that folder only. Choosing with the pointer: x11/.
TEST_F(PatchMenuTest, ASubFolderOpensItsFirstPatchAndTheRockerStaysInIt) {
    writePatch(folder / "sub", "Aaa.repatch", 0.5f);
    load(folder / "Alpha.repatch");
    gui->buildPatchMenu(menu);
    const int sub = menu->getNbEntries() - 1;
    EXPECT_EQ(entryText(sub), "sub/");
    EXPECT_EQ(menu->getEntry(sub)->getSubEntries(), (std::vector<std::string>{"Aaa.repatch", "Deep.repatch"}));
    gui->patchMenuDispatch(sub);
    EXPECT_EQ(currentPatch(), "Aaa.repatch");
    gui->patchStep(+1);
    EXPECT_EQ(currentPatch(), "Deep.repatch");
    gui->patchStep(+1);
    EXPECT_EQ(currentPatch(), "Aaa.repatch");
}

TEST_F(PatchMenuTest, TheRockerStepsThroughTheListAndWrapsAtBothEnds) {
    const std::vector<std::string> names = listed();
    load(folder / names.front());
    gui->patchStep(-1);
    EXPECT_EQ(currentPatch(), names.back());
    EXPECT_NEAR(effect->getParameter(kVcfFreq), frequencyOf(names.back()), 1e-6);
    gui->patchStep(+1);
    EXPECT_EQ(currentPatch(), names.front());
    gui->patchStep(+1);
    EXPECT_EQ(currentPatch(), names[1]);

    // Through the control: the upper half of the rocker sends -1.
    VSTGUI::CControl* rocker = gui->getControl(kTagPatchStep);
    ASSERT_NE(rocker, nullptr);
    rocker->setValue(-1.0f);
    gui->valueChanged(rocker);
    EXPECT_EQ(currentPatch(), names.front());
    rocker->setValue(1.0f);
    gui->valueChanged(rocker);
    EXPECT_EQ(currentPatch(), names[1]);
}

TEST_F(PatchMenuTest, StepZeroReloadsAndAnUnlistedPatchLeavesTheRockerIdle) {
    const std::vector<std::string> names = listed();
    load(folder / names[2]);
    effect->setParameter(kVcfFreq, 0.99f);
    gui->patchStep(0);
    EXPECT_EQ(currentPatch(), names[2]);
    EXPECT_NEAR(effect->getParameter(kVcfFreq), frequencyOf(names[2]), 1e-6);

    gui->patchMenuDispatch(13);  // Initialize Patch
    EXPECT_EQ(currentPatch(), "Init Patch.repatch");
    const float initFrequency = effect->getParameter(kVcfFreq);
    for (int step : {-1, 0, 1}) {
        gui->patchStep(step);
        EXPECT_EQ(currentPatch(), "Init Patch.repatch");
        EXPECT_EQ(effect->getParameter(kVcfFreq), initFrequency);
    }

    load(folder / "sub" / "Deep.repatch");  // a file of another folder is not listed either
    gui->patchStep(1);
    EXPECT_EQ(std::string(effect->getPatchFolder()), (folder / "sub").string());
}

TEST_F(PatchMenuTest, ABackslashInAFileNameIsPartOfTheName) {
    writePatch(folder, "back\\slash.repatch", 0.75f);
    load(folder / "Alpha.repatch");
    gui->buildPatchMenu(menu);
    const std::vector<std::string> names = listed();
    const auto found = std::find(names.begin(), names.end(), "back\\slash.repatch");
    ASSERT_NE(found, names.end());
    const int position = static_cast<int>(found - names.begin());

    menu->setCurrent(kFirstPatchEntry + position);
    gui->patchMenuDispatch(kFirstPatchEntry + position);
    EXPECT_EQ(currentPatch(), "back\\slash.repatch");
    EXPECT_NEAR(effect->getParameter(kVcfFreq), 0.75f, 1e-2);

    load(folder / names[(position + 1) % names.size()]);
    gui->patchStep(-1);
    EXPECT_EQ(currentPatch(), "back\\slash.repatch");
    EXPECT_NE(gui->getDisplayState(), kDisplayHeld);
}

TEST_F(PatchMenuTest, AListedFileDeletedAfterListingShowsTheLoadErrorFor100Ticks) {
    const std::vector<std::string> names = listed();
    fs::remove(folder / names[1]);
    menu->setCurrent(kFirstPatchEntry + 1);
    gui->patchMenuDispatch(kFirstPatchEntry + 1);
    EXPECT_EQ(display(), "Error loading patch!");
    EXPECT_EQ(gui->getDisplayState(), kDisplayHeld);
    EXPECT_EQ(currentPatch(), "Alpha.repatch");
    EXPECT_NEAR(effect->getParameter(kVcfFreq), frequency(0), 1e-6);
    idleTicks(99);
    EXPECT_EQ(gui->getDisplayState(), kDisplayHeld);
    EXPECT_EQ(display(), "Error loading patch!");
    idleTicks(1);
    EXPECT_EQ(gui->getDisplayState(), kDisplayNormal);
    idleTicks(1);
    EXPECT_EQ(display(), "     Alpha");

    // The rocker reaching the deleted file says the same.
    load(folder / names[0]);
    gui->patchStep(1);
    EXPECT_EQ(display(), "Error loading patch!");
    EXPECT_EQ(gui->getDisplayCounter(), 100);
}

TEST_F(PatchMenuTest, APatchFolderThatVanishedCostsAMessageAndAnEmptyList) {
    fs::remove_all(folder);
    menu->setCurrent(kFirstPatchEntry);
    gui->patchMenuDispatch(kFirstPatchEntry);
    EXPECT_EQ(display(), "Error loading patch!");

    gui->buildPatchMenu(menu);
    EXPECT_EQ(menu->getNbEntries(), kFirstPatchEntry);
    EXPECT_TRUE(menu->getEntry(kFirstPatchEntry - 1)->isSeparator());
    gui->patchStep(1);
    EXPECT_EQ(currentPatch(), "Alpha.repatch");
    gui->patchMenuDispatch(kFirstPatchEntry);  // past the end: nothing
}

TEST_F(PatchMenuTest, PathsLongerThanTheNameFieldsStillLoadFromTheList) {
    // A folder path near the 255-character limit and a long file name: the joined path
    // passes 256 characters and fits the 1024-byte path buffers.
    fs::path deep = root;
    while (deep.string().size() < 230) deep /= std::string(20, 'd');
    fs::create_directories(deep);
    const std::string name = std::string(200, 'n') + ".repatch";
    writePatch(deep, name, 0.6f);
    writePatch(deep, "Short.repatch", 0.3f);
    ASSERT_LT(deep.string().size(), 256u);
    gui->buildPatchMenu(menu);
    const std::vector<std::string> names = listed();
    ASSERT_EQ(names.size(), 2u);
    const int position = names[0] == name ? 0 : 1;
    gui->patchMenuDispatch(kFirstPatchEntry + position);
    EXPECT_EQ(currentPatch(), name);
    EXPECT_NEAR(effect->getParameter(kVcfFreq), 0.6f, 1e-2);
    gui->patchStep(1);
    EXPECT_EQ(currentPatch(), "Short.repatch");
    gui->patchStep(1);
    EXPECT_EQ(currentPatch(), name);
}

TEST_F(PatchMenuTest, LoadPanelStartsAtTheCurrentFileAndReloadsTheList) {
    ScriptedFilePanels panels;
    panels.cancel();
    gui->patchMenuDispatch(0);
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].start, (folder / "Alpha.repatch").string());
    EXPECT_EQ(panels.requests[0].types, std::vector<std::string>{"repatch"});
    EXPECT_EQ(panels.requests[0].title, "Load Halvorax Patch");
    EXPECT_FALSE(panels.requests[0].save);
    EXPECT_EQ(currentPatch(), "Alpha.repatch");

    // Another folder: the list now shows that folder's patches.
    const fs::path other = root / "other";
    fs::create_directory(other);
    writePatch(other, "Elsewhere.repatch", 0.5f);
    load(folder / "Alpha.repatch");
    panels.confirm((other / "Elsewhere.repatch").string());
    VSTGUI::CControl* loadButton = gui->getControl(kTagPatchLoad);
    ASSERT_NE(loadButton, nullptr);
    loadButton->setValue(1.0f);
    gui->valueChanged(loadButton);
    EXPECT_EQ(currentPatch(), "Elsewhere.repatch");
    EXPECT_NEAR(effect->getParameter(kVcfFreq), 0.5f, 1e-2);
    EXPECT_EQ(listed(), std::vector<std::string>{"Elsewhere.repatch"});

    // With the current file gone the panel starts in the patch folder.
    fs::remove(other / "Elsewhere.repatch");
    panels.confirm((other / "Missing.repatch").string());
    gui->patchMenuDispatch(0);
    EXPECT_EQ(panels.requests.back().start, other.string());
    EXPECT_EQ(display(), "Error loading patch!");
    EXPECT_EQ(gui->getDisplayCounter(), 100);
}

TEST_F(PatchMenuTest, SavePanelWritesThePatchAndListsIt) {
    ScriptedFilePanels panels;
    panels.confirm((folder / "Fresh").string());
    gui->patchMenuDispatch(1);
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_TRUE(panels.requests[0].save);
    EXPECT_EQ(panels.requests[0].title, "Save Halvorax Patch");
    EXPECT_EQ(panels.requests[0].start, (folder / "Alpha.repatch").string());
    EXPECT_TRUE(fs::exists(folder / "Fresh.repatch"));
    EXPECT_EQ(currentPatch(), "Fresh.repatch");
    const std::vector<std::string> names = listed();
    EXPECT_NE(std::find(names.begin(), names.end(), "Fresh.repatch"), names.end());

    panels.confirm((root / "no-such-folder" / "x.repatch").string());
    gui->patchMenuDispatch(1);
    EXPECT_EQ(display(), "Error saving patch!");
    EXPECT_EQ(gui->getDisplayState(), kDisplayHeld);
    EXPECT_EQ(gui->getDisplayCounter(), 100);
    EXPECT_EQ(currentPatch(), "Fresh.repatch");

    panels.cancel();
    gui->patchMenuDispatch(1);
    EXPECT_EQ(listed().size(), names.size());
}

TEST_F(PatchMenuTest, AFailedImportBlinksItsMessageFor50Ticks) {
    ScriptedFilePanels panels;
    touch("junk.syx", "no sysex in here");
    panels.confirm(path("junk.syx"));
    gui->patchMenuDispatch(3);
    ASSERT_EQ(panels.requests.size(), 1u);
    EXPECT_EQ(panels.requests[0].title, "Import Alpha Juno Sysex (.syx)");
    EXPECT_EQ(panels.requests[0].types, std::vector<std::string>{"syx"});
    EXPECT_EQ(panels.requests[0].start, "");
    EXPECT_EQ(gui->getDisplayState(), kDisplayBlinking);
    EXPECT_EQ(gui->getDisplayCounter(), 50);
    EXPECT_STREQ(gui->getSysexPath(), "");

    // Shown 5 ticks in 8, blank in the others, for 50 ticks.
    for (int tick = 0; tick < 50; ++tick) {
        const int counter = gui->getDisplayCounter();
        gui->idle();
        EXPECT_EQ(display(), counter % 8 < 3 ? "" : "Not an Alpha Juno Sysex file") << tick;
    }
    EXPECT_EQ(gui->getDisplayState(), kDisplayNormal);

    unsigned char apr[juno::kAprSize];
    juno::encodeApr(juno::Tone{}, 0, apr);
    touch("tone.syx", std::string(apr, apr + sizeof apr));
    panels.confirm(path("tone.syx"));
    gui->patchMenuDispatch(3);
    EXPECT_STREQ(gui->getSysexPath(), path("tone.syx").c_str());
    EXPECT_EQ(gui->getDisplayState(), kDisplayNormal);
    panels.cancel();
    gui->patchMenuDispatch(3);
    EXPECT_EQ(panels.requests.back().start, path("tone.syx"));
}

TEST_F(PatchMenuTest, InitializePatchReleasesNotesThroughTheAudioThread) {
    effect->setSampleRate(44100.0f);
    effect->resume();
    effect->block(64, {{0, 0x90, 60, 100}});
    ASSERT_TRUE(effect->getEngine().AnyKeyHeld());

    gui->patchMenuDispatch(13);
    EXPECT_TRUE(effect->getEngine().AnyKeyHeld()) << "the engine is left to the audio thread";
    EXPECT_EQ(currentPatch(), "Init Patch.repatch");
    effect->block(64);
    EXPECT_FALSE(effect->getEngine().AnyKeyHeld());
}

TEST_F(PatchMenuTest, AClosedWindowIgnoresListEntriesButKeepsTheToggles) {
    gui->close();
    gui->patchMenuDispatch(kFirstPatchEntry);
    EXPECT_EQ(currentPatch(), "Alpha.repatch");
    const float before = effect->getParameter(55);
    gui->patchMenuDispatch(8);
    EXPECT_NE(effect->getParameter(55), before);
    gui->updatePatchMenuTexts();
    ASSERT_TRUE(gui->open(nullptr));
}

}  // namespace
}  // namespace halvorax::test
