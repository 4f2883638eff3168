// Talks to the built Halvorax.so only through the VST 2.4 binary interface, as a host does.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "TestHost.h"
#include "VstHost.h"

using namespace halvorax;

namespace {

class Abi : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        std::string error;
        plugin = HostedPlugin::load(HALVORAX_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        e = plugin->effect();
    }
    std::unique_ptr<HostedPlugin> plugin;
    AEffect* e = nullptr;
};

TEST_F(Abi, EffectRecord) {
    EXPECT_EQ(e->magic, CCONST('V', 's', 't', 'P'));
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 128);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags & (effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth),
              effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(e->uniqueID, 0x48616c76);  // 'Halv', first character most significant
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->object, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
}

TEST_F(Abi, IdentityOpcodes) {
    EXPECT_EQ(plugin->effectString(effGetEffectName), "Halvorax");
    EXPECT_EQ(plugin->effectString(effGetVendorString), "Brindlecove");
    EXPECT_EQ(plugin->effectString(effGetProductString), "Halvo");
    EXPECT_EQ(plugin->dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(effIdentify), CCONST('N', 'v', 'E', 'f'));
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    char name[kVstMaxProgNameLen] = "junk";
    plugin->dispatch(effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(plugin->dispatch(9999), 0);
    EXPECT_EQ(plugin->dispatch(-3), 0);
}

TEST_F(Abi, OutputProperties) {
    for (int pin = 0; pin < 2; ++pin) {
        VstPinProperties p{};
        ASSERT_EQ(plugin->dispatch(effGetOutputProperties, pin, 0, &p), 1);
        EXPECT_EQ(std::string(p.label), "Halvo " + std::to_string(pin + 1));
        EXPECT_EQ(p.flags, kVstPinIsActive | kVstPinIsStereo);
    }
    VstPinProperties untouched;
    std::memset(&untouched, 0x5a, sizeof untouched);
    EXPECT_EQ(plugin->dispatch(effGetOutputProperties, 2, 0, &untouched), 0);
    EXPECT_EQ(plugin->dispatch(effGetOutputProperties, -1, 0, &untouched), 0);
    EXPECT_EQ(untouched.label[0], 0x5a);
    EXPECT_EQ(plugin->dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
}

TEST_F(Abi, CanDoIsAWholeStringComparison) {
    auto ask = [&](const char* text) { return plugin->dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
    EXPECT_EQ(ask("receiveVstEvents"), 1);
    EXPECT_EQ(ask("receiveVstMidiEvent"), 1);
    EXPECT_EQ(ask("receiveVstTimeInfo"), 1);
    EXPECT_EQ(ask("sendVstMidiEvent"), -1);
    EXPECT_EQ(ask("receiveVstEventsX"), -1);
    EXPECT_EQ(ask("receive"), -1);
    EXPECT_EQ(plugin->dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Abi, ResumeAsksForMidi) {
    plugin->dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(plugin->wantMidiRequests, 0);
    plugin->dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(plugin->wantMidiRequests, 1);
}

TEST_F(Abi, NullTextBuffersAndOddIndicesAreSurvived) {
    for (VstInt32 opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel, effGetEffectName, effGetVendorString,
                            effGetProductString, effGetProgramName, effSetProgramName, effGetChunk, effSetChunk,
                            effEditGetRect, effProcessEvents})
        plugin->dispatch(opcode, 3, 0, nullptr);
    for (int index : {-1, 60, 127, 128, 1 << 30}) {
        e->setParameter(e, index, 0.5f);
        EXPECT_EQ(e->getParameter(e, index), 0.0f);
        char text[256] = {};
        plugin->dispatch(effGetParamDisplay, index, 0, text);
        plugin->dispatch(effGetParamName, index, 0, text);
        EXPECT_STREQ(text, "");
    }
}

VstIntPtr silentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

TEST(Entry, RefusesAHostWithoutAVersionAndExportsOnlyItsEntryPoints) {
    test::isolateDataHome();
    void* library = dlopen(HALVORAX_SO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    auto legacy = reinterpret_cast<Entry>(dlsym(library, "main"));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(legacy, nullptr);
    EXPECT_EQ(entry(silentHost), nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    AEffect* effect = legacy(test::recordingHost);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(dlsym(library, "createEffectInstance"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN8halvorax9HalvoVST2C1EPFlP7AEffectiilPvfE"), nullptr);
    dlclose(library);
}

}  // namespace
