#include "MidiFile.h"

#include <smf.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>

#include "ToolFiles.h"

namespace halvorax {

namespace {

// Far above any real song; smf_load_from_memory takes an int.
constexpr std::size_t kMaxMidiFileBytes = 64u << 20;

uint32_t bigEndian(const unsigned char* p, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

// A variable-length quantity: at most four bytes.
bool readVarLength(const unsigned char*& p, const unsigned char* end, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4 && p < end; ++i) {
        const unsigned char byte = *p++;
        value = value << 7 | (byte & 0x7f);
        if ((byte & 0x80) == 0) return true;
    }
    return false;
}

// Walks one track's events; empty when every event is whole, its time fits libsmf's pulse
// counter and End-of-Track closes the track (libsmf asserts on a track without one).
std::string checkTrack(const unsigned char* p, const unsigned char* end) {
    const char* const cut = "an event cut short";
    unsigned char running = 0;
    uint64_t pulses = 0;
    while (p < end) {
        uint32_t delta = 0, length = 0;
        if (!readVarLength(p, end, delta) || p == end) return cut;
        pulses += delta;
        if (pulses > INT_MAX) return "an event later than the file's time can count";
        unsigned char status = *p;
        if (status & 0x80) {
            ++p;
        } else if (running == 0) {
            return "data without a status byte";
        } else {
            status = running;
        }
        if (status == 0xff || status == 0xf0 || status == 0xf7) {
            const unsigned char type = status == 0xff && p < end ? *p++ : 0;
            if (!readVarLength(p, end, length) || length > uint32_t(end - p)) return cut;
            p += length;
            if (status == 0xff && type == 0x2f) return p == end ? "" : "events after its End-of-Track";
        } else if (status > 0xf0) {
            return "a system message that has no place in a file";
        } else {
            running = status;
            const long dataBytes = (status & 0xe0) == 0xc0 ? 1 : 2;  // program change, channel pressure: 1
            if (end - p < dataBytes) return cut;
            for (long i = 0; i < dataBytes; ++i)
                if (p[i] & 0x80) return "a data byte with its top bit set";
            p += dataBytes;
        }
    }
    return "no End-of-Track event";
}

// Checks the file's structure before libsmf reads it; returns the length of the part libsmf
// is given (the header and the tracks it announces), or 0 with `error`.
std::size_t checkStructure(const std::string& bytes, std::string& error) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    if (size < 14 || bytes.compare(0, 4, "MThd") != 0 || bigEndian(data + 4, 4) < 6) {
        error = "no MThd header";
        return 0;
    }
    const uint32_t format = bigEndian(data + 8, 2), tracks = bigEndian(data + 10, 2),
                   division = bigEndian(data + 12, 2);
    if (format > 1 || tracks < 1 || division == 0 || (division & 0x8000) != 0) {
        error = "a header this reader does not play (type 0 or 1, counted in beats, at least one track)";
        return 0;
    }
    std::size_t position = 8 + std::size_t(bigEndian(data + 4, 4));
    for (uint32_t track = 1; track <= tracks;) {
        if (position > size || size - position < 8) {
            error = "track " + std::to_string(track) + " of " + std::to_string(tracks) + " is missing";
            return 0;
        }
        const std::size_t length = bigEndian(data + position + 4, 4);
        if (length > size - position - 8) {
            error = "a chunk runs past the end of the file";
            return 0;
        }
        const unsigned char* body = data + position + 8;
        position += 8 + length;
        if (bytes.compare(position - length - 8, 4, "MTrk") != 0) continue;  // other chunks are skipped
        const std::string problem = checkTrack(body, body + length);
        if (!problem.empty()) {
            error = "track " + std::to_string(track) + " has " + problem;
            return 0;
        }
        ++track;
    }
    return position;
}

}  // namespace

bool readMidiFile(const std::string& path, MidiSong& song, std::string& error) {
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        error = "no such MIDI file: " + path;
        return false;
    }
    std::string bytes;
    if (!readInputFile(path, kMaxMidiFileBytes, bytes, error)) return false;
    const std::size_t used = checkStructure(bytes, error);
    if (used == 0) {
        error = "not a readable Standard MIDI File: " + path + ": " + error;
        return false;
    }
    smf_t* smf = smf_load_from_memory(bytes.data(), int(used));
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
