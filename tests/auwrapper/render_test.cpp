// Rendering: argument checks, one effect call per time stamp, Reset, render notifications,
// the MIDI queue, stream formats, transport as VstTimeInfo, input callbacks, and no allocation
// while rendering the real instrument.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "../support/RealtimeCounters.h"
#include "AuTestSupport.h"
#include "../plugin/TestHost.h"

using namespace halvorax::test::realtime;

namespace {

using namespace autest;

TEST(Render, BadArgumentsAreParameterErrors) {
    OpenedUnit u;
    StereoBuffers b;
    const AudioTimeStamp stamp = stampAt(0.0);
    AudioUnitRenderActionFlags flags = 0;
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 512, nullptr), paramErr);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, nullptr, 0, 512, b.get()), paramErr);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 1, 512, b.get()), paramErr);
    EXPECT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 4097, b.get()), paramErr);
    EXPECT_EQ(AudioUnitRender(u.unit, nullptr, &stamp, 0, 512, b.get()), noErr);
}

TEST(Render, SecondBusWithTheSameTimeStampReusesTheBlockAndResetRendersAnew) {
    EffectScript script;
    script.outputs = 4;  // two stereo output buses
    OpenedUnit u(script);
    ASSERT_EQ(u.openResult, noErr);
    ASSERT_EQ(u.component().outputBusCount, 2);
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    StereoBuffers bus0, bus1;
    ASSERT_EQ(renderAt(u.unit, 1024.0, 0, bus0), noErr);
    ASSERT_EQ(renderAt(u.unit, 1024.0, 1, bus1), noErr);
    EXPECT_EQ(u.effect().processCalls, 1);
    EXPECT_EQ(bus0.left[7], 1.125f);
    EXPECT_EQ(bus0.right[7], 1.25f);
    EXPECT_EQ(bus1.left[7], 1.375f);
    EXPECT_EQ(bus1.right[7], 1.5f);

    ASSERT_EQ(AudioUnitReset(u.unit, kAudioUnitScope_Global, 0), noErr);
    ASSERT_EQ(renderAt(u.unit, 1024.0, 1, bus1), noErr);
    EXPECT_EQ(u.effect().processCalls, 2);
    EXPECT_EQ(bus1.left[7], 2.375f);
    EXPECT_EQ(AudioUnitReset(u.unit, kAudioUnitScope_Output, 0), kAudioUnitErr_InvalidScope);
}

// Null host buffers receive the component's own. A host that offers more buffers than the bus
// has channels gets only the bus's channels: the rest would be read past the bus (or past the
// component's buffers).
TEST(Render, NullHostBuffersGetTheComponentsOwnAndExtraOnesAreLeftAlone) {
    OpenedUnit u;
    struct {
        UInt32 count;
        AudioBuffer buffers[3];
    } list = {3, {{1, 256, nullptr}, {1, 256, nullptr}, {1, 256, nullptr}}};
    float spare[64] = {7.0f};
    list.buffers[2].mData = spare;
    const AudioTimeStamp stamp = stampAt(0.0);
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(AudioUnitRender(u.unit, &flags, &stamp, 0, 64, reinterpret_cast<AudioBufferList*>(&list)), noErr);
    ASSERT_NE(list.buffers[0].mData, nullptr);
    EXPECT_EQ(static_cast<float*>(list.buffers[1].mData)[5], 1.25f);
    EXPECT_EQ(spare[0], 7.0f);
}

struct NotifyLog {
    std::vector<AudioUnitRenderActionFlags> flags;
};

OSStatus logRender(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                   AudioBufferList*) {
    static_cast<NotifyLog*>(refCon)->flags.push_back(*flags);
    return noErr;
}

TEST(RenderNotifications, CalledBeforeAndAfterAndRemovedTogetherWhenAddedTwice) {
    OpenedUnit u;
    NotifyLog twice, once;
    ASSERT_EQ(AudioUnitAddRenderNotify(u.unit, logRender, &twice), noErr);
    ASSERT_EQ(AudioUnitAddRenderNotify(u.unit, logRender, &once), noErr);
    ASSERT_EQ(AudioUnitAddRenderNotify(u.unit, logRender, &twice), noErr);
    StereoBuffers b;
    AudioUnitRenderActionFlags flags = 0;
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b, 512, &flags), noErr);
    EXPECT_EQ(flags & kAudioUnitRenderAction_PostRender, 0u);
    EXPECT_EQ(twice.flags, (std::vector<AudioUnitRenderActionFlags>{
                               kAudioUnitRenderAction_PreRender, kAudioUnitRenderAction_PreRender,
                               kAudioUnitRenderAction_PostRender, kAudioUnitRenderAction_PostRender}));
    ASSERT_EQ(AudioUnitRemoveRenderNotify(u.unit, logRender, &twice), noErr);
    twice.flags.clear();
    once.flags.clear();
    ASSERT_EQ(renderAt(u.unit, 512.0, 0, b), noErr);
    EXPECT_TRUE(twice.flags.empty());
    EXPECT_EQ(once.flags.size(), 2u);
}

TEST(MidiQueue, FullAt1025AndDeliveredInArrivalOrderWithOffsets) {
    OpenedUnit u;
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    for (UInt32 i = 0; i < 1024; ++i)
        ASSERT_EQ(MusicDeviceMIDIEvent(u.unit, 0x90, i % 128, 100, (1023 - i) % 512), noErr) << i;
    EXPECT_EQ(MusicDeviceMIDIEvent(u.unit, 0x80, 60, 0, 0), memFullErr);
    StereoBuffers b;
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b), noErr);
    const auto& received = u.effect().received;
    ASSERT_EQ(received.size(), 1024u);
    for (UInt32 i = 0; i < 1024; ++i) {
        EXPECT_EQ(received[i].deltaFrames, VstInt32((1023 - i) % 512));
        EXPECT_EQ(UInt8(received[i].midiData[1]), i % 128);
        EXPECT_EQ(received[i].type, kVstMidiType);
        EXPECT_EQ(received[i].byteSize, VstInt32(sizeof(VstMidiEvent)));
    }
    // The queue is empty again; events after a rendered time wait for the next block.
    ASSERT_EQ(MusicDeviceMIDIEvent(u.unit, 0x80, 60, 0, 5), noErr);
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b), noErr);
    EXPECT_EQ(received.size(), 1024u);
    ASSERT_EQ(renderAt(u.unit, 512.0, 0, b), noErr);
    EXPECT_EQ(received.size(), 1025u);
}

TEST(MidiQueue, DroppedUntilTheEffectAsksForMidi) {
    OpenedUnit u;
    EXPECT_EQ(MusicDeviceMIDIEvent(u.unit, 0x90, 60, 100, 0), noErr);
    StereoBuffers b;
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b), noErr);
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    ASSERT_EQ(renderAt(u.unit, 512.0, 0, b), noErr);
    EXPECT_TRUE(u.effect().received.empty());
}

TEST(StreamFormat, WrongChannelCountIsRefusedAndOnlyTheRateIsTaken) {
    OpenedUnit u;
    AudioStreamBasicDescription format = {48000.0, kAudioFormatLinearPCM, 41, 4, 1, 4, 1, 32, 0};
    EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_StreamFormat, format, kAudioUnitScope_Output),
              kAudioUnitErr_FormatNotSupported);
    format.mChannelsPerFrame = 2;
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_StreamFormat, format, kAudioUnitScope_Output), noErr);
    Float64 rate = 0.0;
    ASSERT_EQ(getProperty(u.unit, kAudioUnitProperty_SampleRate, rate), noErr);
    EXPECT_EQ(rate, 48000.0);

    // A 16-bit interleaved stereo format: refused in general, accepted from GarageBand and Logic 8.
    AudioStreamBasicDescription integer = {
        96000.0, kAudioFormatLinearPCM, kAudioFormatFlagIsSignedInteger, 4, 1, 4, 2, 16, 0};
    EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_StreamFormat, integer, kAudioUnitScope_Output),
              kAudioUnitErr_FormatNotSupported);
    for (int hostApplication : {2, 3}) {
        u.component().hostApplication = hostApplication;
        integer.mSampleRate += 1.0;
        ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_StreamFormat, integer, kAudioUnitScope_Output), noErr);
        AudioStreamBasicDescription now{};
        getProperty(u.unit, kAudioUnitProperty_StreamFormat, now, kAudioUnitScope_Output);
        EXPECT_EQ(now.mSampleRate, integer.mSampleRate);
        EXPECT_EQ(now.mFormatFlags, 41u);
        EXPECT_EQ(now.mBitsPerChannel, 32u);
    }
}

OSStatus beatAndTempo(void*, Float64* beat, Float64* tempo) {
    *beat = 3.5;
    *tempo = 133.0;
    return noErr;
}
OSStatus failingLocation(void*, UInt32*, Float32*, UInt32*, Float64*) { return kAudioUnitErr_CannotDoInCurrentContext; }
OSStatus transport(void*, Boolean* playing, Boolean* changed, Float64* sample, Boolean* cycling, Float64* start,
                   Float64* end) {
    *playing = true;
    *changed = false;
    *sample = 777.0;
    *cycling = true;
    *start = 4.0;
    *end = 8.0;
    return noErr;
}

TEST(TimeInfo, HostTransportBecomesVstTimeInfo) {
    OpenedUnit u;
    HostCallbackInfo callbacks = {nullptr, beatAndTempo, failingLocation, transport};
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_HostCallbacks, callbacks), noErr);
    StereoBuffers b;
    ASSERT_EQ(renderAt(u.unit, 2048.0, 0, b), noErr);
    const VstTimeInfo& t = u.component().vstTimeInfo;
    EXPECT_EQ(t.ppqPos, 3.5);
    EXPECT_EQ(t.tempo, 133.0);
    EXPECT_EQ(t.samplePos, 777.0);
    EXPECT_EQ(t.sampleRate, 44100.0);
    EXPECT_EQ(t.cycleEndPos, 8.0);
    EXPECT_EQ(t.flags,
              kVstPpqPosValid | kVstTempoValid | kVstTransportPlaying | kVstTransportCycleActive | kVstCyclePosValid);
}

struct InputLog {
    int calls = 0;
    UInt32 buffers = 0;
};

OSStatus provideInput(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32 bus, UInt32 frames,
                      AudioBufferList* data) {
    auto* log = static_cast<InputLog*>(refCon);
    ++log->calls;
    log->buffers = data->mNumberBuffers;
    for (UInt32 k = 0; k < data->mNumberBuffers; ++k) static_cast<float*>(data->mBuffers[k].mData)[frames - 1] = 0.5f;
    return bus == 0 ? OSStatus(noErr) : OSStatus(kAudioUnitErr_NoConnection);
}

TEST(Inputs, ARenderCallbackFeedsTheInputBusUntilAConnectionReplacesIt) {
    OpenedUnit source;
    ScriptedEffect& sourceEffect = source.effect();
    EffectScript script;
    script.inputs = 2;
    script.extensions = true;
    OpenedUnit u(script, kAudioUnitType_Effect);
    ASSERT_EQ(u.openResult, noErr);
    ScriptedEffect& effect = u.effect();
    InputLog log;
    AURenderCallbackStruct callback = {provideInput, &log};
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_SetRenderCallback, callback, kAudioUnitScope_Input), noErr);
    StereoBuffers b;
    ASSERT_EQ(renderAt(u.unit, 0.0, 0, b), noErr);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.buffers, 2u);
    const AudioUnitConnection wrong = {nullptr, 0, 1};
    EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_MakeConnection, wrong, kAudioUnitScope_Input),
              kAudioUnitErr_InvalidPropertyValue);

    // A connection pulls the source unit once per block instead.
    const AudioUnitConnection connection = {source.unit, 0, 0};
    ASSERT_EQ(setProperty(u.unit, kAudioUnitProperty_MakeConnection, connection, kAudioUnitScope_Input), noErr);
    EXPECT_EQ(u.component().inputCallbacks[0].inputProc, nullptr);
    ASSERT_EQ(renderAt(u.unit, 512.0, 0, b), noErr);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(sourceEffect.processCalls, 1);
    EXPECT_EQ(effect.inputsSilent, 0);  // the source did not report silence
    // The source's format reached the input bus; a connected input's rate is not writable.
    EXPECT_EQ(setProperty(u.unit, kAudioUnitProperty_SampleRate, Float64(48000.0), kAudioUnitScope_Input),
              kAudioUnitErr_InvalidProperty);
}

TEST(RealTime, RenderAndMidiDoNotAllocate) {
    halvorax::test::isolateDataHome();
    OpenedUnit u(EffectScript(), kAudioUnitType_MusicDevice, kMapHeader, instrumentEntry);
    ASSERT_EQ(u.openResult, noErr);
    ASSERT_EQ(AudioUnitInitialize(u.unit), noErr);
    StereoBuffers b;
    allocations = 0;
    armed = true;
    for (int block = 0; block < 200; ++block) {
        for (UInt32 i = 0; i < 6; ++i)
            MusicDeviceMIDIEvent(u.unit, (block + i) % 3 == 0 ? 0x80 : 0x90, 40 + (block * 7 + i * 5) % 48, 90,
                                 (i * 83) % 512);
        MusicDeviceMIDIEvent(u.unit, 0xE0, 0, UInt32(block % 128), 100);
        renderAt(u.unit, block * 512.0, 0, b);
    }
    armed = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_LT(std::count(std::begin(b.left), std::end(b.left), 0.0f), 512);  // it played
}

}  // namespace
