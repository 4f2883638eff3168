#include "AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <vector>

namespace halvorax {

namespace {

// alsa-lib reports a missing sequencer in a line of its own; the caller says it in one.
void quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AlsaMidiInput::~AlsaMidiInput() {
    stopping = true;
    if (reader.joinable()) reader.join();
    if (seq) snd_seq_close(seq);
}

bool AlsaMidiInput::start(const std::string& name, std::string& error) {
    snd_lib_error_set_handler(quiet);
    int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
    if (result < 0) {
        seq = nullptr;
        error = snd_strerror(result);
        return false;
    }
    snd_seq_set_client_name(seq, name.c_str());
    result = snd_seq_create_simple_port(seq, "midi_in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (result < 0) {
        error = snd_strerror(result);
        return false;
    }
    reader = std::thread(&AlsaMidiInput::run, this);
    return true;
}

void AlsaMidiInput::run() {
    snd_midi_event_t* decoder = nullptr;
    if (snd_midi_event_new(16, &decoder) < 0) return;
    snd_midi_event_no_status(decoder, 1);  // every message complete, no running status
    std::vector<pollfd> fds(snd_seq_poll_descriptors_count(seq, POLLIN));
    snd_seq_poll_descriptors(seq, fds.data(), fds.size(), POLLIN);
    while (!stopping) {
        // A short timeout lets the destructor stop the thread.
        if (poll(fds.data(), fds.size(), 100) <= 0) continue;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(seq, &event) >= 0 && event) {
            unsigned char bytes[16];
            const long size = snd_midi_event_decode(decoder, bytes, sizeof bytes, event);
            // Channel messages only: system exclusive and real-time bytes are not played.
            if (size >= 1 && size <= 3 && bytes[0] >= 0x80 && bytes[0] < 0xf0) {
                MidiMessage message;
                for (long i = 0; i < size; ++i) message.bytes[i] = bytes[i];
                message.size = static_cast<uint8_t>(size);
                ring.push(message);
            }
            event = nullptr;
        }
    }
    snd_midi_event_free(decoder);
}

}  // namespace halvorax
