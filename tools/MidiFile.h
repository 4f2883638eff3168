// Standard MIDI File reading (type 0 and 1, tempo changes) through libsmf: the channel
// messages of all tracks merged in time order, each with its time in seconds.
#pragma once

#include <string>
#include <vector>

namespace halvorax {

struct TimedMidi {
    double seconds;
    unsigned char bytes[3];
};

struct MidiSong {
    std::vector<TimedMidi> messages;
    double lengthSeconds = 0.0;
    double firstTempo = 120.0;
};

// Reads the file; on failure returns false with a one-line `error`.
bool readMidiFile(const std::string& path, MidiSong& song, std::string& error);

}  // namespace halvorax
