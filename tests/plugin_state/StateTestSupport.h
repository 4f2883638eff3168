// Shared by the state tests: a private patch folder per test and an effect whose stored
// state the tests can look at.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "HalvoVST2.h"
#include "../support/TestFiles.h"

namespace halvorax::test {

namespace fs = std::filesystem;

class InspectableEffect : public HalvoVST2 {
public:
    InspectableEffect() : HalvoVST2(nullptr) {}
    float value(int index) const { return paramValues[index]; }
    int controller(int number) const { return ccMap[number]; }
    void setController(int number, int index) { ccMap[number] = index; }
    bool changed() const { return patchChanged; }
    void clearChanged() { patchChanged = false; }
    void setChord(int count, int n0, int n1, int n2, int n3 = 0, int n4 = 0, int n5 = 0) {
        const int notes[6] = {n0, n1, n2, n3, n4, n5};
        writeChordMemory(count, notes);
    }
    int chordCount() const {
        int count, notes[6];
        readChordMemory(count, notes);
        return count;
    }
    int chordNote(int i) const {
        int count, notes[6];
        readChordMemory(count, notes);
        return notes[i];
    }
};

// Every test runs with its own XDG_DATA_HOME (so its own patch folder) in a fresh temporary
// folder, removed afterwards; the bundle's resources are not looked for unless a test says so.
class StateTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("HALVORAX_RESOURCES", (root / "no-bundle").c_str(), 1);
    }
    void TearDown() override { unsetenv("HALVORAX_RESOURCES"); }

    std::string path(const std::string& name) const { return folder.file(name); }

    TempFolder folder{"halvorax-state"};
    const fs::path root = folder.path;
    const fs::path patchFolder = root / "data" / "Brindlecove" / "Halvorax";
};

}  // namespace halvorax::test
