#include "HalvoVST2.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "FactoryPatches.h"
#include "PatchFolder.h"

namespace halvorax {

namespace {
std::atomic<EditorFactory> editorFactory{nullptr};

AEffEditor* makeEditor(HalvoVST2* effect) {
    const EditorFactory factory = editorFactory.load();
    return factory ? factory(effect) : nullptr;
}
}  // namespace

void registerEditorFactory(EditorFactory factory) { editorFactory.store(factory); }

namespace {

// Copies as much of `source` as fits, always terminated.
void copyText(char* text, std::size_t size, const char* source) {
    if (text == nullptr || size == 0) return;
    const std::size_t length = std::min(std::strlen(source), size - 1);
    std::memcpy(text, source, length);
    text[length] = 0;
}

}  // namespace

HalvoVST2::HalvoVST2(audioMasterCallback audioMaster) : AudioEffectX(audioMaster, 1, kNumReportedParameters) {
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

    engine = std::make_unique<synth::AlphaJuno>();
    engine->Reset();
    ChordMemory chord;
    chord.count = engine->ChordCount();
    std::copy(engine->ChordNotes(), engine->ChordNotes() + 6, chord.notes);
    requests.publishChordMemory(chord);

    copyText(appFolder, sizeof appFolder, defaultAppFolder().c_str());
    copyText(patchFolder, sizeof patchFolder, appFolder);
    copyText(patchFile, sizeof patchFile, kDefaultPatchFile);
    installFactoryPatches(appFolder, bundleResourcesFolder());
    char defaultPatch[kLongPathSize];
    std::snprintf(defaultPatch, sizeof defaultPatch, "%s%s", patchFolder, patchFile);
    LoadPatch(defaultPatch);

    patchChanged = false;
    setEditor(makeEditor(this));
}

// The editor's window goes first, while the effect it reports gestures to is whole.
HalvoVST2::~HalvoVST2() {
    if (editor) editor->close();
}

// ---------------------------------------------------------------------------------------
// Parameters

void HalvoVST2::setParameter(VstInt32 index, float value) {
    // Negative indices are refused like those past the table, and a non-finite value is
    // refused whole: it would poison every smoother and filter state it reached. A finite
    // value is held to the parameter's range, so an automation glitch cannot become a blast.
    if (index < 0 || index >= kNumParameters || !std::isfinite(value)) return;
    const float held = clampParameter(index, value);
    paramValues[index] = held;
    learnTarget = index;
    if (editor) editor->setParameter(index, held);
}

float HalvoVST2::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumParameters ? paramValues[index].load() : 0.0f;
}

void HalvoVST2::getParameterName(VstInt32 index, char* text) { parameterName(index, text, kParamTextSize); }

void HalvoVST2::getParameterDisplay(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParameters) return;
    parameterDisplay(index, paramValues[index], text, kParamTextSize);
}

// ---------------------------------------------------------------------------------------
// Host interface

void HalvoVST2::resume() { wantEvents(1); }

// A rate the voices do not render at is held to their range; a non-finite one is refused.
void HalvoVST2::setSampleRate(float rate) {
    if (!std::isfinite(rate)) return;
    sampleRate = static_cast<float>(
        std::clamp<double>(rate, synth::AlphaJunoVoice::kLowestRate, synth::AlphaJunoVoice::kHighestRate));
}

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

// ---------------------------------------------------------------------------------------
// Chord memory and note release, handed to the engine

void HalvoVST2::readChordMemory(int& count, int notes[6]) const {
    const ChordMemory chord = requests.currentChordMemory();
    count = chord.count;
    std::copy(chord.notes, chord.notes + 6, notes);
}

void HalvoVST2::writeChordMemory(int count, const int notes[6]) {
    ChordMemory chord;
    chord.count = count;
    std::copy(notes, notes + 6, chord.notes);
    requests.requestChordMemory(chord);
}

}  // namespace halvorax
