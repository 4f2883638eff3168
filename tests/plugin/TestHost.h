// Test support: a recording host callback for effects constructed in-process, and a patch
// folder isolated from the user's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "VstAbi.h"
#include "../support/TestFiles.h"

namespace halvorax::test {

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

// Every call the effect makes to its host, in order. One recorder per test process.
inline std::vector<HostCall>& hostCalls() {
    static std::vector<HostCall> calls;
    return calls;
}

inline VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt) {
    hostCalls().push_back({opcode, index, value, opt});
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit || opcode == audioMasterWantMidi) return 1;
    return 0;
}

inline int countCalls(VstInt32 opcode) {
    int n = 0;
    for (const HostCall& call : hostCalls()) n += call.opcode == opcode;
    return n;
}

// Points XDG_DATA_HOME at a fresh, empty folder, one per call (all removed when the test
// program ends), so that no test reads or writes the user's patches, nor those another test
// of the same program left behind.
inline std::filesystem::path isolateDataHome() {
    static const TempFolder root;
    static int calls = 0;
    const std::filesystem::path home = root.path / std::to_string(++calls);
    std::filesystem::create_directories(home);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    return home;
}

}  // namespace halvorax::test
