// The audio side of the component: buses from the effect's pins, stream formats and rates,
// input connections and callbacks, the MIDI queue, and rendering one effect block per time
// stamp with the host's transport as VstTimeInfo. Render and MIDI allocate nothing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "TandemComponent.h"
#include "TandemExceptions.h"

namespace tandem {

namespace {

const VstInt32 kInputsSilent = CCONST('s', 'I', '0', '0');
const VstInt32 kOutputSilent = CCONST('s', 'O', '0', '0');
const UInt32 kCanonicalFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsNonInterleaved;

// An AudioBufferList with room for one buffer per channel of a bus, on the stack.
struct BusBufferList {
    UInt32 mNumberBuffers;
    AudioBuffer mBuffers[TandemComponent::kMaxBuses];
    AudioBufferList* list() { return reinterpret_cast<AudioBufferList*>(this); }
};
static_assert(offsetof(BusBufferList, mBuffers) == offsetof(AudioBufferList, mBuffers), "buffer list layout");

}  // namespace

// ---- Buses ----

void TandemComponent::layOutPins(bool isInput, int32_t pinCount, bool multiBus, int32_t& busCount, int32_t* start,
                                 CFStringRef* names) {
    const int32_t defaultWidth = pinCount % 2 == 0 ? 2 : 1;
    int32_t width = defaultWidth;
    int32_t pin = 0;
    busCount = 0;
    while (pin < pinCount && busCount < kMaxBuses) {
        VstPinProperties properties{};
        const bool answered =
            isInput ? vst->getInputProperties(pin, &properties) : vst->getOutputProperties(pin, &properties);
        if (pin == 0 || multiBus) width = answered ? ((properties.flags & kVstPinIsStereo) ? 2 : 1) : defaultWidth;
        // A bus that would reach past the last pin is narrowed to the pins that remain.
        width = std::min(width, pinCount - pin);
        start[busCount] = pin;
        if (answered) {
            properties.label[sizeof properties.label - 1] = '\0';
            names[busCount] = CFStringCreateWithCString(nullptr, properties.label, kCFStringEncodingMacRoman);
        }
        ++busCount;
        pin += width;
    }
    start[busCount] = pin;
}

void TandemComponent::layOutBuses() {
    const bool multiBus = getComponentType() == kAudioUnitType_MusicDevice && hostApplication != 1;
    layOutPins(true, vst->getInputCount(), multiBus, inputBusCount, inputBusChannelStart, inputBusNames);
    layOutPins(false, vst->getOutputCount(), multiBus, outputBusCount, outputBusChannelStart, outputBusNames);
    busesUniform = true;
    for (int b = 1; b < inputBusCount; ++b)
        if (getInputBusChannelCount(b) != getInputBusChannelCount(0)) busesUniform = false;
    for (int b = 1; b < outputBusCount; ++b)
        if (getOutputBusChannelCount(b) != getOutputBusChannelCount(0)) busesUniform = false;
}

// ---- Formats, rates, sizes ----

void TandemComponent::updateFormat(AudioUnitScope scope, AudioUnitElement bus, const AudioStreamBasicDescription& f) {
    const int32_t width =
        scope == kAudioUnitScope_Input ? getInputBusChannelCount(int(bus)) : getOutputBusChannelCount(int(bus));
    const bool canonical = f.mFormatID == kAudioFormatLinearPCM && f.mFramesPerPacket == 1 && f.mBytesPerPacket == 4 &&
                           f.mBytesPerFrame == 4 && (f.mFormatFlags & kCanonicalFlags) == kCanonicalFlags &&
                           f.mBitsPerChannel == 32 && f.mChannelsPerFrame == UInt32(width);
    const bool lenientHost = (hostApplication == 2 || hostApplication == 3) && f.mChannelsPerFrame == 2;
    if (!canonical && !lenientHost) throw MacOSException(kAudioUnitErr_FormatNotSupported);
    updateSampleRate(f.mSampleRate);
}

bool TandemComponent::updateSampleRate(Float64 rate) {
    // No rate at all (zero, negative, not a number) would divide the latency and tail by it.
    if (!(rate > 0.0 && std::isfinite(rate))) throw MacOSException(kAudioUnitErr_InvalidPropertyValue);
    if (rate == streamFormat.mSampleRate) return false;
    streamFormat.mSampleRate = rate;
    vst->setSampleRate(float(rate));
    for (int b = 0; b < inputBusCount; ++b) {
        propertyChanged(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, AudioUnitElement(b));
        propertyChanged(kAudioUnitProperty_SampleRate, kAudioUnitScope_Input, AudioUnitElement(b));
    }
    for (int b = 0; b < outputBusCount; ++b) {
        propertyChanged(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, AudioUnitElement(b));
        propertyChanged(kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, AudioUnitElement(b));
    }
    updateInitialDelayAndTailTimes();
    return true;
}

void TandemComponent::updateInitialDelayAndTailTimes() {
    const double latency = vst->getInitialDelay() / streamFormat.mSampleRate;
    if (latency != latencySeconds) {
        latencySeconds = latency;
        propertyChanged(kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0);
    }
    if (updateTailTime()) propertyChanged(kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 0);
}

bool TandemComponent::updateTailTime() {
    if (!hasTail) return false;
    const double tail = double(vst->getTailSize()) / streamFormat.mSampleRate;
    if (tail == tailSeconds) return false;
    tailSeconds = tail;
    return true;
}

void TandemComponent::updateMaxFramesPerSlice(UInt32 frames) {
    if (frames == 0 || frames > kLargestSlice) throw MacOSException(kAudioUnitErr_InvalidPropertyValue);
    if (frames == maxFramesPerSlice) return;
    maxFramesPerSlice = frames;
    reallocateIOBuffers();
    propertyChanged(kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0);
    vst->setBlockSize(int32_t(frames));
}

void TandemComponent::reallocateIOBuffers() {
    for (float*& buffer : ioBuffers) delete[] buffer, buffer = nullptr;
    const int32_t channels = std::max(vst->getInputCount(), vst->getOutputCount());
    for (int32_t i = 0; i < channels; ++i) ioBuffers[i] = new float[maxFramesPerSlice]();
}

// ---- Connections and input callbacks ----

void TandemComponent::makeConnection(AudioUnitElement bus, const AudioUnitConnection& connection) {
    if (connection.destInputNumber != bus) throw MacOSException(kAudioUnitErr_InvalidPropertyValue);
    if (connection.sourceAudioUnit != nullptr) {
        AudioStreamBasicDescription format{};
        UInt32 size = sizeof format;
        throwOnOSError(AudioUnitGetProperty(connection.sourceAudioUnit, kAudioUnitProperty_StreamFormat,
                                            kAudioUnitScope_Output, connection.sourceOutputNumber, &format, &size));
        updateFormat(kAudioUnitScope_Input, bus, format);
    }
    AudioUnitConnection& stored = inputConnections[bus];
    const bool connectionChanged = stored.sourceAudioUnit != connection.sourceAudioUnit ||
                                   stored.sourceOutputNumber != connection.sourceOutputNumber;
    if (connectionChanged) stored = connection;
    const bool callbackCleared = inputCallbacks[bus].inputProc != nullptr;
    if (callbackCleared) inputCallbacks[bus] = {};
    if (connectionChanged) propertyChanged(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, bus);
    if (callbackCleared) propertyChanged(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, bus);
}

void TandemComponent::setRenderCallback(AudioUnitElement bus, const AURenderCallbackStruct& callback) {
    AURenderCallbackStruct& stored = inputCallbacks[bus];
    const bool changed = stored.inputProc != callback.inputProc || stored.inputProcRefCon != callback.inputProcRefCon;
    if (changed) stored = callback;
    if (inputConnections[bus].sourceAudioUnit != nullptr) {
        inputConnections[bus].sourceAudioUnit = nullptr;
        inputConnections[bus].sourceOutputNumber = 0;
        propertyChanged(kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, bus);
    }
    if (changed) propertyChanged(kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, bus);
}

// ---- MIDI ----

OSStatus TandemComponent::midiEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetSampleFrame) {
    if (!vst->wantsMidi()) return noErr;  // dropped until the effect asks for MIDI
    if (vstEvents.numEvents >= kMidiQueueSize) return memFullErr;
    auto* event = reinterpret_cast<VstMidiEvent*>(vstEvents.events[vstEvents.numEvents]);
    event->deltaFrames = VstInt32(offsetSampleFrame);
    event->midiData[0] = char(status);
    event->midiData[1] = char(data1);
    event->midiData[2] = char(data2);
    ++vstEvents.numEvents;
    return noErr;
}

// ---- Rendering ----

void TandemComponent::notifyRender(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp, UInt32 bus,
                                   UInt32 frames, AudioBufferList* ioData) {
    for (int32_t i = renderNotificationCount - 1; i >= 0; --i) {
        const AURenderCallbackStruct& n = renderNotifications[i];
        n.inputProc(n.inputProcRefCon, flags, timeStamp, bus, frames, ioData);
    }
}

OSStatus TandemComponent::render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp, UInt32 bus,
                                 UInt32 frames, AudioBufferList* ioData) {
    if (ioData == nullptr || timeStamp == nullptr || bus >= UInt32(outputBusCount) || frames > maxFramesPerSlice)
        return paramErr;
    AudioUnitRenderActionFlags flags = (ioActionFlags ? *ioActionFlags : 0) | kAudioUnitRenderAction_PreRender;
    notifyRender(&flags, timeStamp, bus, frames, ioData);
    flags &= ~kAudioUnitRenderAction_PreRender;

    if (timeStamp->mSampleTime != lastRenderSampleTime) {
        lastRenderSampleTime = timeStamp->mSampleTime;
        updateVSTTimeInfo(*timeStamp);
        float* inputs[kMaxBuses] = {};
        const bool inputsSilent = collectInputAudio(frames, inputs, *timeStamp);
        renderOutput(frames, inputs, inputsSilent);
    }
    if (outputIsSilent)
        flags |= kAudioUnitRenderAction_OutputIsSilence;
    else
        flags &= ~kAudioUnitRenderAction_OutputIsSilence;

    const int32_t first = outputBusChannelStart[bus];
    const UInt32 width = UInt32(getOutputBusChannelCount(int(bus)));
    for (UInt32 k = 0; k < ioData->mNumberBuffers && k < width; ++k) {
        AudioBuffer& buffer = ioData->mBuffers[k];
        float* source = ioBuffers[first + int32_t(k)];
        if (buffer.mData == nullptr)
            buffer.mData = source;
        else
            std::memcpy(buffer.mData, source, frames * sizeof(float));
    }

    flags |= kAudioUnitRenderAction_PostRender;
    notifyRender(&flags, timeStamp, bus, frames, ioData);
    if (ioActionFlags) *ioActionFlags = flags & ~kAudioUnitRenderAction_PostRender;
    return noErr;
}

void TandemComponent::updateVSTTimeInfo(const AudioTimeStamp& timeStamp) {
    VstTimeInfo& t = vstTimeInfo;
    t.samplePos = timeStamp.mSampleTime;
    t.sampleRate = streamFormat.mSampleRate;
    t.flags = 0;
    void* user = hostCallbacks.hostUserData;
    if (hostCallbacks.beatAndTempoProc) {
        Float64 beat = 0.0, tempo = 120.0;
        if (hostCallbacks.beatAndTempoProc(user, &beat, &tempo) == noErr) {
            t.ppqPos = beat;
            t.tempo = tempo;
            t.flags |= kVstPpqPosValid | kVstTempoValid;
        }
    }
    if (hostCallbacks.musicalTimeLocationProc) {
        UInt32 toNextBeat = 0, denominator = 4;
        Float32 numerator = 4.0f;
        Float64 downBeat = 0.0;
        if (hostCallbacks.musicalTimeLocationProc(user, &toNextBeat, &numerator, &denominator, &downBeat) == noErr) {
            t.timeSigNumerator = VstInt32(numerator);
            t.timeSigDenominator = VstInt32(denominator);
            t.barStartPos = downBeat;
            t.flags |= kVstBarsValid | kVstTimeSigValid;
        }
    }
    if (hostCallbacks.transportStateProc) {
        Boolean playing = false, changed = false, cycling = false;
        Float64 sample = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
        if (hostCallbacks.transportStateProc(user, &playing, &changed, &sample, &cycling, &cycleStart, &cycleEnd) ==
            noErr) {
            if (playing) t.flags |= kVstTransportPlaying;
            if (changed) t.flags |= kVstTransportChanged;
            t.samplePos = sample;
            if (cycling) t.flags |= kVstTransportCycleActive;
            t.cycleStartPos = cycleStart;
            t.cycleEndPos = cycleEnd;
            t.flags |= kVstCyclePosValid;
        }
    }
}

bool TandemComponent::collectInputAudio(UInt32 frames, float** inputs, const AudioTimeStamp& timeStamp) {
    bool allSilent = true;
    for (int32_t b = 0; b < inputBusCount; ++b) {
        const int32_t first = inputBusChannelStart[b];
        const int32_t width = getInputBusChannelCount(b);
        BusBufferList buffers;
        buffers.mNumberBuffers = UInt32(width);
        for (int32_t k = 0; k < width; ++k)
            buffers.mBuffers[k] = {1, UInt32(frames * sizeof(float)), ioBuffers[first + k]};
        AudioUnitRenderActionFlags flags = 0;
        OSStatus result = noErr;
        if (inputCallbacks[b].inputProc) {
            result = inputCallbacks[b].inputProc(inputCallbacks[b].inputProcRefCon, &flags, &timeStamp, UInt32(b),
                                                 frames, buffers.list());
        } else if (inputConnections[b].sourceAudioUnit) {
            for (int32_t k = 0; k < width; ++k) buffers.mBuffers[k].mData = nullptr;
            result = AudioUnitRender(inputConnections[b].sourceAudioUnit, &flags, &timeStamp,
                                     inputConnections[b].sourceOutputNumber, frames, buffers.list());
        } else {
            for (int32_t k = 0; k < width; ++k) std::memset(ioBuffers[first + k], 0, frames * sizeof(float));
            flags = kAudioUnitRenderAction_OutputIsSilence;
        }
        throwOnOSError(result);
        if (!(flags & kAudioUnitRenderAction_OutputIsSilence)) allSilent = false;
        for (int32_t k = 0; k < width; ++k) inputs[first + k] = static_cast<float*>(buffers.mBuffers[k].mData);
    }
    return allSilent;
}

void TandemComponent::renderOutput(UInt32 frames, float** inputs, bool inputsSilent) {
    if (vstEvents.numEvents > 0) {
        vst->processEvents(reinterpret_cast<VstEvents*>(&vstEvents));
        vstEvents.numEvents = 0;
    }
    if (vstSupportsExtensions) vst->vendorSpecific(kInputsSilent, inputsSilent ? 1 : 0, nullptr, 0.0f);
    vst->processReplacing(inputs, ioBuffers, int32_t(frames));
    outputIsSilent = vstSupportsExtensions && vst->vendorSpecific(kOutputSilent, 0, nullptr, 0.0f) != 0;
}

}  // namespace tandem
