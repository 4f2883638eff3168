// The entry guard and its result codes, opening failures, the hosted-plug-in bridge (effects
// that raise, text limits, requests during the entry function), bus layouts and the
// identification of the host application.
#include <new>
#include <stdexcept>

#include "AuTestSupport.h"
#include "TandemExceptions.h"

namespace {

using namespace autest;

ComponentResult callSelector(AudioUnit unit, SInt16 selector, long argument = 0) {
    struct {
        ComponentParameters header;
        long more[4];
    } block{};
    block.header.what = selector;
    block.header.paramSize = sizeof(long);
    block.header.params[0] = reinterpret_cast<long>(unit);
    block.more[0] = argument;
    return CallComponentDispatch(&block.header);
}

TEST(EntryGuard, ExceptionsBecomeResultCodes) {
    using namespace tandem;
    const auto resultOf = [](auto raise) {
        try {
            raise();
        } catch (...) {
            return resultForCurrentException();
        }
        return OSStatus(1);
    };
    // Mac OS codes, end of file and the wrapper's own exceptions (and their messages): the
    // preset dictionary's and component's preset tests, which see each through the same guard.
    EXPECT_EQ(resultOf([] { throw std::bad_alloc(); }), memFullErr);
    EXPECT_EQ(resultOf([] { throw 42; }), -32767);
    EXPECT_EQ(std::string(TandemException(std::string(300, 'x').c_str()).what()).size(), 255u);
}

TEST(EntryGuard, FailedOpensReportMinus32767AndStoreNoInstance) {
    EffectScript noEffect;
    noEffect.returnNull = true;
    EffectScript tooManyInputs;
    tooManyInputs.inputs = 33;
    EffectScript tooManyOutputs;
    tooManyOutputs.outputs = 33;
    EffectScript noReplacing;
    noReplacing.flags = effFlagsIsSynth;
    for (const EffectScript& script : {noEffect, tooManyInputs, tooManyOutputs, noReplacing}) {
        OpenedUnit u(script);
        EXPECT_EQ(u.openResult, -32767);
        EXPECT_EQ(u.unit, nullptr);
    }
}

TEST(EntryGuard, SelectorsCanDoVersionAndUnknown) {
    OpenedUnit u;
    ASSERT_EQ(u.openResult, noErr);
    for (SInt16 selector : {-4, -3, -2, -1, 1, 2, 3, 4, 5, 6, 7, 9, 10, 14, 15, 16, 17, 18, 257})
        EXPECT_EQ(ComponentFunctionImplemented(u.unit, selector), 1) << selector;
    for (SInt16 selector : {-5, 0, 8, 11, 12, 13, 19, 256, 258})
        EXPECT_EQ(ComponentFunctionImplemented(u.unit, selector), 0) << selector;
    EXPECT_EQ(GetComponentVersion(u.unit), 0x00010203);
    for (SInt16 selector : {8, 11, 12, 13, 19, 100, 258})
        EXPECT_EQ(callSelector(u.unit, selector), ComponentResult(badComponentSelector)) << selector;
}

void ignoreProperty(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}

TEST(EntryGuard, RenderNotificationAndListenerListsFullAt128) {
    OpenedUnit u;
    const auto notify = reinterpret_cast<AURenderCallback>(1);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(AudioUnitAddRenderNotify(u.unit, notify, reinterpret_cast<void*>(long(i))), noErr);
        ASSERT_EQ(AudioUnitAddPropertyListener(u.unit, 1000 + i, ignoreProperty, nullptr), noErr);
    }
    EXPECT_EQ(AudioUnitAddRenderNotify(u.unit, notify, nullptr), memFullErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(u.unit, 5, ignoreProperty, nullptr), memFullErr);
    ASSERT_EQ(AudioUnitRemoveRenderNotify(u.unit, notify, reinterpret_cast<void*>(3L)), noErr);
    EXPECT_EQ(AudioUnitAddRenderNotify(u.unit, notify, nullptr), noErr);
}

// Open, use and close a unit, or fail to open one; the second round must leave the object count
// where it found it (the first may create the process's one-time objects, such as the main bundle).
TEST(EntryGuard, UnitsOpenedOrRefusedLeaveNoCoreFoundationObjects) {
    const auto use = [] {
        OpenedUnit u;
        ASSERT_EQ(u.openResult, noErr);
        AUPreset preset{};
        ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_PresentPreset, preset), noErr);
        CFRelease(preset.presetName);
        CFStringRef name = nullptr;
        ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ElementName, name, kAudioUnitScope_Output), noErr);
        CFRelease(name);
        ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_CurrentPreset, AUPreset{-1, CFSTR("Renamed")}), noErr);
        CFPropertyListRef state = nullptr;
        ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_ClassInfo, state), noErr);
        EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_ClassInfo, state), noErr);
        EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_ClassInfo, CFPropertyListRef(CFSTR("junk"))), -10851);
        CFRelease(state);
        AudioUnitInitialize(u.unit);
        MusicDeviceMIDIEvent(u.unit, 0x90, 60, 100, 0);
        StereoBuffers b;
        ASSERT_EQ(renderAt(u.unit, 0.0, 0, b, 64), noErr);
    };
    const auto refuse = [] {
        EffectScript script;
        script.flags = effFlagsIsSynth;  // no processReplacing: refused after the effect opened
        OpenedUnit u(script);
        EXPECT_EQ(u.openResult, -32767);
    };
    for (const std::function<void()>& round : {std::function<void()>(use), std::function<void()>(refuse)}) {
        round();
        const CFIndex before = StandInLiveObjectCount();
        round();
        EXPECT_EQ(StandInLiveObjectCount(), before);
    }
}

TEST(EntryGuard, NullProceduresAndEventListsAreRefused) {
    OpenedUnit u;
    EXPECT_EQ(AudioUnitAddRenderNotify(u.unit, nullptr, nullptr), paramErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(u.unit, kAudioUnitProperty_SampleRate, nullptr, nullptr), paramErr);
    EXPECT_EQ(AudioUnitScheduleParameters(u.unit, nullptr, 1), paramErr);
    EXPECT_EQ(AudioUnitScheduleParameters(u.unit, nullptr, 0), noErr);
}

TEST(Bridge, ExceptionsFromTheEffectAreSwallowed) {
    EffectScript script;
    OpenedUnit u(script, kAudioUnitType_MusicDevice, kMapHeader + "0\tLevel\t0\t1\t=\t-\t0\r");
    ASSERT_EQ(u.openResult, noErr);
    u.effect().script.throwEverywhere = true;
    tandem::VSTPlugIn& vst = *u.component().vst;
    EXPECT_EQ(vst.getParameter(0), 0.0f);
    EXPECT_EQ(vst.getCurrentProgram(), 0);
    vst.suspend();
    EXPECT_FALSE(vst.isResumed());
    char name[25] = "unchanged";
    vst.getParameterName(0, name);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(AudioUnitInitialize(u.unit), noErr);
    EXPECT_TRUE(vst.isResumed());
    Float32 value = 1.0f;
    EXPECT_EQ(AudioUnitGetParameter(u.unit, 0, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 0.0f);
    EXPECT_EQ(AudioUnitSetParameter(u.unit, 0, kAudioUnitScope_Global, 0, 0.5f, 0), noErr);
    StereoBuffers b;
    EXPECT_EQ(renderAt(u.unit, 0.0, 0, b, 64), noErr);
    u.effect().script.throwEverywhere = false;
}

TEST(Bridge, ProgramNumberIsCappedAndNamesCutTo24Characters) {
    EffectScript script;
    script.programs = 128;
    script.programAnswer = 200;
    OpenedUnit u(script);
    tandem::VSTPlugIn& vst = *u.component().vst;
    EXPECT_EQ(vst.getCurrentProgram(), 128);
    vst.setCurrentProgramName("A program name far longer than twenty-four");
    char name[25];
    vst.getCurrentProgramName(name);
    EXPECT_STREQ(name, "A program name far longe");
}

TEST(Bridge, CanDoMatchesWholeWordsAndRateSizeAndTimeAreTheUnits) {
    OpenedUnit u;
    AEffect* effect = u.component().vst->getEffect();
    audioMasterCallback master = u.effect().host;
    EXPECT_EQ(master(effect, audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow"), 0.0f), 1);
    EXPECT_EQ(master(effect, audioMasterCanDo, 0, 0, const_cast<char*>("offline"), 0.0f), 0);
    EXPECT_EQ(master(effect, audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindows"), 0.0f), 0);
    EXPECT_EQ(master(effect, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 44100);
    EXPECT_EQ(master(effect, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f), 4096);
    EXPECT_EQ(master(effect, audioMasterGetTime, 0, 0, nullptr, 0.0f),
              reinterpret_cast<VstIntPtr>(&u.component().vstTimeInfo));
}

// An effect that asks for its unique ID while its entry function still runs.
VstIntPtr idDuringEntry = -1;
AEffect* askingEntry(audioMasterCallback master) {
    AEffect* effect = scriptedEntry(master);
    idDuringEntry = master(effect, audioMasterCurrentId, 0, 0, nullptr, 0.0f);
    return effect;
}

TEST(Bridge, UniqueIdCanBeAskedDuringTheEntryFunction) {
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, "vst param #\r", askingEntry);
    ASSERT_EQ(u.openResult, noErr);
    EXPECT_EQ(idDuringEntry, CCONST('T', 'e', 's', 't'));
}

TEST(BusLayout, MultiBusForMusicDevicesOneWidthOtherwise) {
    EffectScript script;
    script.outputs = 6;
    script.stereoMask = 0;  // every pin mono
    OpenedUnit device(script);
    EXPECT_EQ(device.component().outputBusCount, 6);
    OpenedUnit effect(script, kAudioUnitType_Effect);
    EXPECT_EQ(effect.component().outputBusCount, 6);  // pin 0's width (1) for every bus
    script.answerPins = false;                        // default width: 2 for an even pin count
    OpenedUnit silent(script);
    EXPECT_EQ(silent.component().outputBusCount, 3);
    EXPECT_EQ(silent.component().outputBusNames[0], nullptr);
    UInt32 size = 0;
    EXPECT_EQ(AudioUnitGetPropertyInfo(silent.unit, kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 0, &size,
                                       nullptr),
              kAudioUnitErr_InvalidProperty);
    EXPECT_TRUE(silent.component().busesUniform);
    script = EffectScript();
    script.outputs = 3;  // a stereo pin 0 and a mono remainder: no supported channel list
    OpenedUnit uneven(script);
    EXPECT_EQ(uneven.component().outputBusCount, 2);
    EXPECT_FALSE(uneven.component().busesUniform);
    EXPECT_EQ(AudioUnitGetPropertyInfo(uneven.unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0,
                                       &size, nullptr),
              kAudioUnitErr_InvalidProperty);
}

// A main bundle with the given identifier and version.
class MainBundle {
public:
    MainBundle(const char* identifier, const char* version) {
        const auto contents = root_.path / "Host.app" / "Contents";
        std::filesystem::create_directories(contents);
        const std::string versionEntry =
            version ? "<key>CFBundleShortVersionString</key><string>" + std::string(version) + "</string>" : "";
        halvorax::test::writeText(contents / "Info.plist", infoPlist(identifier, versionEntry));
        CFURLRef url = ComponentBundle::urlOf(root_.path / "Host.app");
        StandInSetMainBundle(url);
        CFRelease(url);
    }
    ~MainBundle() { StandInSetMainBundle(nullptr); }

private:
    halvorax::test::TempFolder root_{"auwrapper_host"};
};

TEST(HostIdentification, LogicAndGarageBandVersions) {
    struct Case {
        const char* identifier;
        const char* version;
        int expected;
    };
    const Case cases[] = {
        {"com.apple.logic.pro", "7.2.3", 1}, {"com.apple.logic.express", "7.9", 1},
        {"com.apple.logic.pro", "8.0.0", 3}, {"com.apple.logic.pro", "8.0.1", 0},
        {"com.apple.logic.pro", "10.4", 0},  {"com.apple.garageband", "4.1.9", 2},
        {"com.apple.garageband", "4.2", 0},  {"com.apple.garageband", "3.10", 2},
        {"com.apple.Logic.pro", "7.0", 0},   {"com.example.host", "1.0", 0},
        {"com.apple.logic.pro", nullptr, 0},
    };
    for (const Case& c : cases) {
        MainBundle main(c.identifier, c.version);
        OpenedUnit u;
        ASSERT_EQ(u.openResult, noErr);
        EXPECT_EQ(u.component().hostApplication, c.expected) << c.identifier << " " << (c.version ? c.version : "-");
    }
}

TEST(HostIdentification, OldLogicGetsOneBusWidthForEveryBus) {
    EffectScript script;
    script.outputs = 4;
    script.stereoMask = 0b1110;  // a mono first pin, then stereo pins
    {
        OpenedUnit u(script);
        EXPECT_EQ(u.component().outputBusCount, 3);  // 1 + 2 + the last pin narrowed to 1
        EXPECT_EQ(u.component().getOutputBusChannelCount(1), 2);
    }
    MainBundle main("com.apple.logic.pro", "7.2");
    OpenedUnit u(script);
    EXPECT_EQ(u.component().outputBusCount, 4);
}

}  // namespace
