// MIDI input: notes to the engine, wheels, pedal and pressure into the controller state,
// other controllers to parameters through the learnable controller map.
#include <algorithm>
#include <cstdio>

#include "HalvoVST2.h"

namespace halvorax {

namespace {
constexpr int kNoteOff = 0x80, kNoteOn = 0x90, kKeyPressure = 0xa0, kControlChange = 0xb0, kChannelPressure = 0xd0,
              kPitchBend = 0xe0;
constexpr int kModWheel = 1, kSustain = 64, kAllSoundOff = 120, kAllNotesOff = 123, kMonoOn = 126;
constexpr int kSlotChordWrite = 46;
}  // namespace

void HalvoVST2::HandleMidi(int channel, int status, int data1, int data2) {
    // Every channel plays the same instrument.
    midiActivity = static_cast<int>(sampleRate * 0.1f);
    switch (status) {
        case kNoteOff:
            engine->NoteOff(data1, data2);
            chordWriteCheck();
            break;
        case kNoteOn:
            if (data2 == 0) {
                engine->NoteOff(data1, 0);
                chordWriteCheck();
                break;
            }
            silentSamples = 0;
            engine->NoteOn(data1, data2);
            if (paramValues[kSlotChordWrite] > 0.0f) {
                engine->learnChord();
                ChordMemory chord;
                chord.count = engine->ChordCount();
                std::copy(engine->ChordNotes(), engine->ChordNotes() + 6, chord.notes);
                requests.publishChordMemory(chord);
            }
            break;
        case kControlChange:
            if (data1 == kModWheel)
                modWheelValue = data2;
            else if (data1 == kSustain)
                sustainPedal = data2 > 63 ? 1 : 0;
            else if (data1 == kAllNotesOff || data1 == kMonoOn)
                releaseAllNotes();
            else if (data1 < kAllSoundOff)
                controllerRoute(data1, data2);
            break;
        case kPitchBend:
            pitchBend = data2 * 128 + data1;
            break;
        case kChannelPressure:
            pressure = data1;
            break;
        case kKeyPressure:
            pressure = data2;
            break;
        default:
            break;
    }
}

void HalvoVST2::HandleSysex(const unsigned char* bytes, int size) {
    // Parsed in place: no allocation on the audio thread. The channel byte is ignored.
    midiActivity = static_cast<int>(sampleRate * 0.1f);
    juno::Scanner scanner(bytes, size > 0 ? static_cast<std::size_t>(size) : 0);
    juno::Message message;
    while (scanner.next(message)) {
        const unsigned char* start = bytes + message.offset;
        int position = 0, value = 0;
        juno::Tone tone;
        if (juno::decodeIpr(start, message.size, position, value)) {
            const ParameterRow& row = sysexRow(position);
            setParameter(row.index, static_cast<float>(value) / static_cast<float>(row.maximum));
        } else if (juno::decodeApr(start, message.size, tone)) {
            applyTone(tone);
            if (tone.named) {
                uint64_t word = uint64_t{1} << 63;
                for (int i = 0; i < juno::kNameLength; ++i)
                    word |= uint64_t{tone.name[i] < 64 ? tone.name[i] : 62u} << (6 * i);
                liveToneName.store(word, std::memory_order_release);
            }
            patchChanged = true;
        }
    }
}

void HalvoVST2::takeLiveToneName() {
    const uint64_t word = liveToneName.exchange(0, std::memory_order_acquire);
    if (word == 0) return;
    juno::Tone tone;
    for (int i = 0; i < juno::kNameLength; ++i) tone.name[i] = static_cast<unsigned char>(word >> (6 * i) & 63);
    char name[juno::kNameLength + 1];
    juno::decodeName(tone, name);
    std::snprintf(patchFile, sizeof patchFile, "%s", name);
}

bool HalvoVST2::takePatchChanged() {
    takeLiveToneName();
    return patchChanged.exchange(false);
}

void HalvoVST2::chordWriteCheck() {
    // Writing a chord ends when its last key is released.
    if (paramValues[kSlotChordWrite] > 0.0f && !engine->AnyKeyHeld()) setParameter(kSlotChordWrite, 0.0f);
}

void HalvoVST2::controllerRoute(int controller, int value) {
    int parameter = ccMap[controller];
    if (midiLearn) {
        learnedCC = controller;
        const int target = learnTarget;
        if (target >= 0) {
            // One controller per parameter: the target leaves its old controller.
            for (auto& entry : ccMap) {
                if (entry == target) {
                    entry = -1;
                    break;
                }
            }
            ccMap[controller] = target;
            parameter = target;
        }
    }
    if (parameter >= 0 && parameter < kNumParameters) setParameter(parameter, static_cast<float>(value) / 127.0f);
}

int HalvoVST2::LookupCC(int parameter) const {
    for (int controller = 0; controller < 128; ++controller)
        if (ccMap[controller] == parameter) return controller;
    return -1;
}

void HalvoVST2::ForgetCC() {
    const int target = learnTarget;
    for (auto& entry : ccMap) {
        if (entry == target) {
            entry = -1;
            return;
        }
    }
}

void HalvoVST2::toggleMidiLearn() {
    if (midiLearn) {
        // Learn ended after touching a control but moving no controller: that control
        // loses its controller.
        if (learnTarget >= 0 && learnedCC < 0) ForgetCC();
        midiLearn = 0;
    } else {
        midiLearn = 1;
    }
    learnTarget = -1;
    learnedCC = -1;
}

}  // namespace halvorax
