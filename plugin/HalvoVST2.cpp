#include "HalvoVST2.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "FactoryPatches.h"
#include "PatchFolder.h"

namespace halvorax {

namespace {

void copyText(char* text, std::size_t size, const char* source) {
    if (text != nullptr && size > 0) std::snprintf(text, size, "%s", source);
}

}  // namespace

HalvoVST2::HalvoVST2(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kNumReportedParameters) {
    std::memset(&chunk, 0, sizeof chunk);
    std::memset(events, 0, sizeof events);
    std::fill(std::begin(paramValues), std::end(paramValues), 0.0f);
    setUniqueID(kHalvoraxUniqueId);
    setNumInputs(0);
    setNumOutputs(2);
    canProcessReplacing();

    InitializePatch();

    midiLearn = 0;
    learnTarget = -1;
    learnedCC = -1;
    std::fill(std::begin(ccMap), std::end(ccMap), -1);
    sustainPedal = 0;
    pitchBend = 8192;
    modWheelValue = 0;
    pressure = 0;
    midiActivity = 10;

    isSynth();
    programsAreChunks();

    copyText(appFolder, sizeof appFolder, defaultAppFolder().c_str());
    copyText(patchFolder, sizeof patchFolder, appFolder);
    copyText(patchFile, sizeof patchFile, kDefaultPatchFile);
    installFactoryPatches(appFolder, bundleResourcesFolder());
    char defaultPatch[kLongPathSize];
    std::snprintf(defaultPatch, sizeof defaultPatch, "%s%s", patchFolder, patchFile);
    LoadPatch(defaultPatch);

    patchChanged = false;
}

HalvoVST2::~HalvoVST2() = default;

// ---------------------------------------------------------------------------------------
// Parameters

void HalvoVST2::setParameter(VstInt32 index, float value) {
    // Negative indices are refused like those past the table, and a non-finite value is
    // refused whole: it would poison every smoother and filter state it reached.
    if (index < 0 || index >= kNumParameters || !std::isfinite(value)) return;
    paramValues[index] = value;
    learnTarget = index;
    if (editor) editor->setParameter(index, value);
}

float HalvoVST2::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumParameters ? paramValues[index] : 0.0f;
}

void HalvoVST2::getParameterName(VstInt32 index, char* text) {
    parameterName(index, text, kParamTextSize);
}

void HalvoVST2::getParameterDisplay(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParameters) return;
    parameterDisplay(index, paramValues[index], text, kParamTextSize);
}

// ---------------------------------------------------------------------------------------
// Host interface

void HalvoVST2::resume() { wantEvents(1); }

bool HalvoVST2::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "Halvo %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool HalvoVST2::getEffectName(char* name) {
    copyText(name, kVstMaxEffectNameLen, "Halvorax");
    return true;
}

bool HalvoVST2::getVendorString(char* text) {
    copyText(text, kVstMaxVendorStrLen, "Brindlecove");
    return true;
}

bool HalvoVST2::getProductString(char* text) {
    copyText(text, kVstMaxProductStrLen, "Halvo");
    return true;
}

VstInt32 HalvoVST2::canDo(char* text) {
    static const char* const kCanDo[] = {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"};
    for (const char* answer : kCanDo)
        if (std::strcmp(text, answer) == 0) return 1;
    return -1;
}

VstInt32 HalvoVST2::processEvents(VstEvents* list) {
    eventCount = queueEvents(list, events);
    sortEvents(events, eventCount);
    return 1;
}

void HalvoVST2::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    getTimeInfo(kVstPpqPosValid | kVstTempoValid);  // asked for, not used
    const int frames = std::max(0, static_cast<int>(sampleFrames));
    if (outputs == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) {
        eventCount = 0;
        return;
    }
    std::fill(outputs[0], outputs[0] + frames, 0.0f);
    std::fill(outputs[1], outputs[1] + frames, 0.0f);

    float* segment[2] = {outputs[0], outputs[1]};
    int rendered = 0;
    for (int i = 0; i < eventCount; ++i) {
        // An offset past the block is clamped to its end, a negative one to its start.
        const int offset = std::clamp(static_cast<int>(events[i].deltaFrames), 0, frames);
        if (offset > rendered) {
            blockProcess(segment, offset - rendered);
            segment[0] += offset - rendered;
            segment[1] += offset - rendered;
            rendered = offset;
        }
        const unsigned char* midi = midiBytes(events[i]);
        HandleMidi(midi[0] & 0x0f, midi[0] & 0xf0, midi[1] & 0x7f, midi[2] & 0x7f);
    }
    if (rendered < frames) blockProcess(segment, frames - rendered);

    applyMasterVolumeAndSilence(outputs, frames);
    eventCount = 0;
    if (midiActivity > 0) midiActivity = std::max(0, midiActivity - frames);
}

void HalvoVST2::blockProcess(float** outputs, int frames) {
    // The engine joins in a later step; until then segments stay silent.
}

void HalvoVST2::applyMasterVolumeAndSilence(float** outputs, int frames) {
    // Master volume: a tenth of the remaining distance per block, constant within a block.
    const double target = paramValues[43];
    volumeSmoother.value += static_cast<float>((target - volumeSmoother.value) / 10.0);
    const float v = static_cast<float>(volumeSmoother.value);
    const float gain = 2.0f * v * v;
    float magnitude = 0.0f;
    for (int c = 0; c < 2; ++c) {
        float* out = outputs[c];
        for (int i = 0; i < frames; ++i) {
            out[i] *= gain;
            magnitude += std::fabs(out[i]);
        }
    }
    // Silence counts consecutive quiet blocks by their magnitude (a signed sum could cancel
    // while a sound is held); any audible block resets it, and it saturates instead of
    // overflowing.
    if (magnitude < 0.0001f) {
        const int limit = 0x3fffffff;
        silentSamples = frames > limit - silentSamples ? limit : silentSamples + frames;
    } else {
        silentSamples = 0;
    }
}

void HalvoVST2::HandleMidi(int channel, int status, int data1, int data2) {
    midiActivity = static_cast<int>(sampleRate * 0.1f);
}

// ---------------------------------------------------------------------------------------
// Chord memory and note release, handed to the engine

void HalvoVST2::readChordMemory(int& count, int notes[6]) const {
    count = chordCount;
    std::copy(chordNotes, chordNotes + 6, notes);
}

void HalvoVST2::writeChordMemory(int count, const int notes[6]) {
    chordCount = std::clamp(count, 0, 6);
    std::copy(notes, notes + 6, chordNotes);
}

void HalvoVST2::requestReleaseAllNotes() {}

}  // namespace halvorax
