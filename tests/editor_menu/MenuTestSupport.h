// Shared by the patch menu tests: a fresh temporary folder per test, file panels that answer
// from a script instead of asking anybody, and an open editor over a patch folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FilePanels.h"
#include "HalvoGui.h"
#include "../plugin/ProbedEffect.h"
#include "../support/TestFiles.h"

namespace halvorax::test {

namespace fs = std::filesystem;

class TempFolderTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (root / name).string(); }
    void touch(const std::string& name, const std::string& text = "") const { writeText(root / name, text); }

    TempFolder scratch{"halvorax-menu"};
    const fs::path root = scratch.path;
};

// Panels that record what they were asked and give the queued answers in turn; with no
// answer left they report a cancelled panel.
class ScriptedFilePanels : public FilePanels {
public:
    struct Answer {
        bool confirmed;
        std::string path;
    };

    ScriptedFilePanels() { setFilePanels(this); }
    ~ScriptedFilePanels() override { setFilePanels(nullptr); }

    void confirm(const std::string& path) { answers.push_back({true, path}); }
    void cancel() { answers.push_back({false, ""}); }

    bool run(const FilePanelRequest& request, std::string& chosen) override {
        requests.push_back(request);
        if (duringRun) duringRun();
        if (answers.empty()) return false;
        const Answer answer = answers.front();
        answers.pop_front();
        if (answer.confirmed) chosen = answer.path;
        return answer.confirmed;
    }

    std::deque<Answer> answers;
    std::vector<FilePanelRequest> requests;
    std::function<void()> duringRun;
};

constexpr int kFirstPatchEntry = 16;
constexpr int kVcfFreq = 14;

// An open editor over a patch folder of four patches (different VCF Freq values), a text
// file and a sub-folder, with Alpha.repatch loaded.
class PatchMenuTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        setenv("XDG_DATA_HOME", path("data").c_str(), 1);
        setenv("HALVORAX_RESOURCES", resources.empty() ? path("no-bundle").c_str() : resources.c_str(), 1);
        effect = std::make_unique<ProbedEffect>();
        gui = static_cast<HalvoGui*>(effect->getEditor());
        ASSERT_NE(gui, nullptr);

        folder = root / "patches";
        fs::create_directory(folder);
        for (int i = 0; i < 4; ++i) writePatch(folder, kNames[i], frequency(i));
        touch("patches/notes.txt");
        fs::create_directory(folder / "sub");
        writePatch(folder / "sub", "Deep.repatch", 0.9f);
        load(folder / "Alpha.repatch");
        ASSERT_TRUE(gui->open(parentWindow));  // none: an off-screen window
        menu = gui->getPatchMenu();
        ASSERT_NE(menu, nullptr);
    }
    void TearDown() override {
        gui->close();
        effect.reset();
        unsetenv("HALVORAX_RESOURCES");
        TempFolderTest::TearDown();
    }

    static constexpr const char* kNames[4] = {"Alpha.repatch", "Bravo.REPATCH", "two.dots.repatch", "Delta.repatch"};
    static float frequency(int i) { return static_cast<float>(20 + 25 * i) / 127.0f; }
    float frequencyOf(const std::string& name) const {
        for (int i = 0; i < 4; ++i)
            if (name == kNames[i]) return frequency(i);
        return -1.0f;
    }

    void writePatch(const fs::path& where, const std::string& name, float vcfFreq) {
        effect->setParameter(kVcfFreq, vcfFreq);
        ASSERT_TRUE(effect->SavePatch((where / name).c_str()));
    }
    void load(const fs::path& file) { ASSERT_TRUE(effect->LoadPatch(file.c_str())); }
    void idleTicks(int n) {
        for (int i = 0; i < n; ++i) gui->idle();
    }

    // The listed patches in menu order.
    std::vector<std::string> listed() const {
        std::vector<std::string> names;
        for (int i = kFirstPatchEntry; i < menu->getNbEntries(); ++i) {
            const std::string title = menu->getEntry(i)->getTitle();
            if (!title.empty() && title.back() == '/') break;  // the sub-folders follow the files
            names.push_back(title);
        }
        return names;
    }
    std::string entryText(int position) const { return menu->getEntry(position)->getTitle(); }
    std::string display() const { return gui->getDisplayLabel()->getText(); }
    std::string currentPatch() const { return effect->getPatchFile(); }

    std::string resources;  // the bitmaps' folder; none found by default
    void* parentWindow = nullptr;
    std::unique_ptr<ProbedEffect> effect;
    HalvoGui* gui = nullptr;
    VSTGUI::COptionMenu* menu = nullptr;
    fs::path folder;
};

}  // namespace halvorax::test
