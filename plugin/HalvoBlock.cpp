// Block processing: the host block cut at its events, every parameter pushed into the
// engine in its own unit per segment, mode switches, master volume and the silence cut-off.
#include <algorithm>
#include <cmath>

#include "HalvoVST2.h"

namespace halvorax {

namespace {

// The one slot without a parameter row that reaches the engine: it is read unchanged.
constexpr int kUnnamedEngineSlot = 58;

constexpr int kSlotPortaTime = 36, kSlotPortaMode = 37, kSlotPolyMode = 38, kSlotVolume = 43;
constexpr int kSlotChordWrite = 46, kSlotChordMode = 47;

// Silence cut-off: quiet blocks are those whose magnitudes sum below this.
constexpr float kSilenceThreshold = 0.0001f;
constexpr int kSilenceCountLimit = 0x3fffffff;

}  // namespace

VstInt32 HalvoVST2::processEvents(VstEvents* list) {
    eventCount = queueEvents(list, events, &sysexStore);
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

    applyEngineRequests();
    // Before the first block's events the engine takes the modes and settings, so that a
    // chord at frame 0 plays as it would one frame later.
    if (lastPolyMode < 0) primeEngine();

    segmentBlock(
        events, eventCount, frames,
        [&](int start, int length) {
            float* segment[2] = {outputs[0] + start, outputs[1] + start};
            blockProcess(segment, length);
        },
        [&](const VstEvent& event) {
            int size = 0;
            if (const unsigned char* sysex = sysexBytes(event, sysexStore, size)) {
                HandleSysex(sysex, size);
                return;
            }
            const unsigned char* midi = midiBytes(event);
            HandleMidi(midi[0] & 0x0f, midi[0] & 0xf0, midi[1] & 0x7f, midi[2] & 0x7f);
        });

    applyMasterVolumeAndSilence(outputs, frames);
    eventCount = 0;
    if (midiActivity > 0) midiActivity = std::max(0, midiActivity - frames);
}

void HalvoVST2::blockProcess(float** outputs, int frames) {
    applyEngineRequests();
    if (silentSamples > 2.0f * sampleRate) return;
    pushParameters();
    applyModeSwitches();
    engine->blockProcess(outputs, frames);
}

void HalvoVST2::applyEngineRequests() {
    if (requests.takeReleaseAllNotes()) releaseAllNotes();
    ChordMemory chord;
    if (requests.takeChordMemory(chord)) engine->SetChordMemory(chord.count, chord.notes);
}

void HalvoVST2::releaseAllNotes() { engine->AllNotesOff(); }

void HalvoVST2::writeSlot(int index, float value) { engine->SetParameter(index, value); }

float HalvoVST2::smooth(const ParameterRow& row) {
    ParamSmoother& smoother = smoothers[row.index];
    smoother.value += static_cast<float>((paramValues[row.index] - smoother.value) / row.smoothing);
    return static_cast<float>(smoother.value);
}

void HalvoVST2::pushParameters() {
    pushSettings();
    pushSmoothed();
}

// One step of every smoothing record per segment, and only here.
void HalvoVST2::pushSmoothed() {
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterRow* row = lastRowForIndex(index);
        if (row == nullptr) continue;
        if (row->use == EngineUse::Smoothed) writeSlot(index, smooth(*row));
        if (row->use == EngineUse::Dithered) {
            ParamSmoother& record = smoothers[index];
            writeSlot(index, static_cast<float>(paramValues[index] + record.offset));
            record.offset = -record.offset;
        }
    }
}

void HalvoVST2::pushSettings() {
    engine->SetSampleRate(sampleRate);
    engine->SetTuneCents(0.0);

    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterRow* row = lastRowForIndex(index);
        if (row == nullptr) continue;
        if (row->use == EngineUse::Stepped)
            writeSlot(index, static_cast<float>(truncateScaled(paramValues[index], row->maximum)));
        if (row->use == EngineUse::Plain) writeSlot(index, paramValues[index]);
    }
    writeSlot(kUnnamedEngineSlot, paramValues[kUnnamedEngineSlot]);

    engine->SetPitchBend(static_cast<float>(pitchBend) * (1.0f / 16384.0f));
    engine->SetModWheel(modWheelValue / 127.0);
    engine->SetAftertouch(pressure / 127.0);
    engine->setSustainPedal(sustainPedal);
    engine->SetPortaTime(paramValues[kSlotPortaTime] * 127.0);
    engine->SetPortaMode(truncateScaled(paramValues[kSlotPortaMode], 1));
}

namespace {
// A host's generic slider can leave a switch anywhere between its steps; the engine and the
// switches below act on the step.
int polyModeStep(float value) { return std::clamp(truncateScaled(value, 1), 0, 1); }
bool isOn(float value) { return value > 0.0f; }
}  // namespace

// What the first block's events read (modes, switches, settings), without a step of the
// smoothing records: the segments that follow step them as every later block does.
void HalvoVST2::primeEngine() {
    pushSettings();
    lastPolyMode = polyModeStep(paramValues[kSlotPolyMode]);
    engine->SetPolyMode(lastPolyMode);
    writeSlot(kSlotChordWrite, paramValues[kSlotChordWrite]);
    writeSlot(kSlotChordMode, paramValues[kSlotChordMode]);
}

void HalvoVST2::applyModeSwitches() {
    const int polyMode = polyModeStep(paramValues[kSlotPolyMode]);
    const float chordMode = paramValues[kSlotChordMode];
    if (polyMode != lastPolyMode && chordMode == 0.0f) releaseAllNotes();
    engine->SetPolyMode(polyMode);
    lastPolyMode = polyMode;
    if (isOn(engine->Parameter(kSlotChordMode)) != isOn(chordMode)) releaseAllNotes();
    writeSlot(kSlotChordWrite, paramValues[kSlotChordWrite]);
    writeSlot(kSlotChordMode, chordMode);
}

namespace {
// Whether the magnitudes of a block, summed channel after channel, stay below the silence
// threshold. Adding magnitudes never lowers the sum, so the sum stops once it gets there.
bool quietBlock(float* const* outputs, int frames) {
    float magnitude = 0.0f;
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < frames; ++i) {
            magnitude += std::fabs(outputs[c][i]);
            if (!(magnitude < kSilenceThreshold)) return false;
        }
    }
    return true;
}
}  // namespace

void HalvoVST2::applyMasterVolumeAndSilence(float** outputs, int frames) {
    // Master volume: a tenth of the remaining distance per block, constant within a block.
    const float v = smooth(*lastRowForIndex(kSlotVolume));
    const float gain = 2.0f * v * v;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < frames; ++i) outputs[c][i] *= gain;
    // Silence counts consecutive quiet blocks by their magnitude (a signed sum could cancel
    // while a sound is held); any audible block resets it, and it saturates instead of
    // overflowing.
    if (quietBlock(outputs, frames)) {
        const int count = silentSamples;
        silentSamples = frames > kSilenceCountLimit - count ? kSilenceCountLimit : count + frames;
    } else {
        silentSamples = 0;
    }
}

}  // namespace halvorax
