#include "MidiFile.h"

#include <smf.h>

#include <algorithm>
#include <filesystem>

namespace halvorax {

bool readMidiFile(const std::string& path, MidiSong& song, std::string& error) {
    std::error_code fsError;
    if (!std::filesystem::is_regular_file(path, fsError)) {
        error = "no such MIDI file: " + path;
        return false;
    }
    smf_t* smf = smf_load(path.c_str());
    if (smf == nullptr) {
        error = "not a readable Standard MIDI File: " + path;
        return false;
    }
    song = MidiSong{};
    if (smf_tempo_t* tempo = smf_get_tempo_by_pulses(smf, 0); tempo && tempo->microseconds_per_quarter_note > 0)
        song.firstTempo = 60.0e6 / tempo->microseconds_per_quarter_note;
    smf_rewind(smf);
    while (smf_event_t* event = smf_get_next_event(smf)) {
        song.lengthSeconds = std::max(song.lengthSeconds, event->time_seconds);
        if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 1) continue;
        const unsigned char status = event->midi_buffer[0];
        if (status < 0x80 || status >= 0xf0) continue;
        TimedMidi message{event->time_seconds, {status, 0, 0}};
        for (int i = 1; i < 3 && i < static_cast<int>(event->midi_buffer_length); ++i)
            message.bytes[i] = event->midi_buffer[i];
        song.messages.push_back(message);
    }
    smf_delete(smf);
    std::stable_sort(song.messages.begin(), song.messages.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.seconds < b.seconds; });
    return true;
}

}  // namespace halvorax
