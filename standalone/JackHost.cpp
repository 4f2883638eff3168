#include "JackHost.h"

#include <jack/midiport.h>

#include <cstdio>
#include <cstring>

namespace halvorax {

namespace {

// libjack reports a missing server in several lines of its own; we say it in one.
void quiet(const char*) {}

}  // namespace

JackHost::~JackHost() {
    if (client == nullptr) return;
    if (active && !shutDown) jack_deactivate(client);
    jack_client_close(client);
}

VstIntPtr JackHost::dispatch(VstInt32 opcode, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, 0, value, ptr, opt);
}

bool JackHost::open(const std::string& name, std::string& error, bool& noServer) {
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    jack_status_t status{};
    client = jack_client_open(name.c_str(), JackNoStartServer, &status);
    noServer = client == nullptr && (status & JackServerFailed);
    if (client == nullptr) {
        char text[64];
        std::snprintf(text, sizeof text, "cannot open a JACK client (status 0x%x)", static_cast<unsigned>(status));
        error = noServer ? "no JACK server is running; start one (e.g. \"jackd -d alsa\", or run under "
                           "PipeWire's JACK: \"pw-jack halvorax\")"
                         : text;
        return false;
    }
    outputs[0] = jack_port_register(client, "out_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    outputs[1] = jack_port_register(client, "out_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput | JackPortIsTerminal, 0);
    midiInput = jack_port_register(client, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput | JackPortIsTerminal, 0);
    if (!outputs[0] || !outputs[1] || !midiInput) {
        error = "cannot register the JACK ports";
        return false;
    }
    dispatch(effOpen);
    onSampleRate(jack_get_sample_rate(client), this);
    onBufferSize(jack_get_buffer_size(client), this);
    jack_set_process_callback(client, onProcess, this);
    jack_set_sample_rate_callback(client, onSampleRate, this);
    jack_set_buffer_size_callback(client, onBufferSize, this);
    jack_set_xrun_callback(client, onXrun, this);
    jack_on_shutdown(client, onShutdown, this);
    return true;
}

bool JackHost::activate(std::string& error) {
    if (jack_activate(client) != 0) {
        error = "cannot activate the JACK client";
        return false;
    }
    active = true;
    return true;
}

std::string JackHost::clientName() const { return client ? jack_get_client_name(client) : ""; }

void JackHost::connectToSystem() {
    const char** playback =
        jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr || playback[0] == nullptr) {
        std::fprintf(stderr, "halvorax: no playback ports to connect to\n");
    } else {
        for (int channel = 0; channel < 2; ++channel) {
            // A mono device gets both channels.
            const char* target = playback[channel == 1 && playback[1] ? 1 : 0];
            if (jack_connect(client, jack_port_name(outputs[channel]), target) != 0)
                std::fprintf(stderr, "halvorax: cannot connect to %s\n", target);
        }
    }
    jack_free(playback);
    const char** capture =
        jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsPhysical | JackPortIsOutput);
    for (int i = 0; capture && capture[i]; ++i)
        if (jack_connect(client, capture[i], jack_port_name(midiInput)) != 0)
            std::fprintf(stderr, "halvorax: cannot connect %s\n", capture[i]);
    jack_free(capture);
}

// ---------------------------------------------------------------------------------------
// Callbacks. Sample rate, buffer size, xrun and shutdown come on JACK's notification thread,
// never on the audio thread; the effect takes the new rate or size as a host's resume.

int JackHost::onSampleRate(jack_nframes_t rate, void* self) {
    auto* host = static_cast<JackHost*>(self);
    host->dispatch(effSetSampleRate, 0, nullptr, static_cast<float>(rate));
    host->dispatch(effMainsChanged, 1);
    return 0;
}

int JackHost::onBufferSize(jack_nframes_t frames, void* self) {
    auto* host = static_cast<JackHost*>(self);
    host->dispatch(effSetBlockSize, static_cast<VstIntPtr>(frames));
    host->dispatch(effMainsChanged, 1);
    return 0;
}

int JackHost::onXrun(void* self) {
    static_cast<JackHost*>(self)->xrunCount.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

void JackHost::onShutdown(void* self) { static_cast<JackHost*>(self)->shutDown = true; }

int JackHost::onProcess(jack_nframes_t frames, void* self) {
    static_cast<JackHost*>(self)->process(frames);
    return 0;
}

// The audio thread: no allocation, no lock, no I/O.
void JackHost::process(jack_nframes_t frames) {
    eventList.numEvents = 0;
    // Sequencer events carry no time within the block: they play at its start.
    MidiMessage message;
    while (eventList.numEvents < kMaxQueuedEvents && alsaMidi.pop(message)) addEvent(0, message.bytes, message.size);
    void* midiBuffer = jack_port_get_buffer(midiInput, frames);
    const jack_nframes_t count = jack_midi_get_event_count(midiBuffer);
    for (jack_nframes_t i = 0; i < count && eventList.numEvents < kMaxQueuedEvents; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midiBuffer, i) == 0)
            addEvent(static_cast<int>(event.time), event.buffer, event.size);
    }
    dispatch(effProcessEvents, 0, &eventList);
    float* out[2] = {static_cast<float*>(jack_port_get_buffer(outputs[0], frames)),
                     static_cast<float*>(jack_port_get_buffer(outputs[1], frames))};
    effect->processReplacing(effect, nullptr, out, static_cast<VstInt32>(frames));
}

void JackHost::addEvent(int frame, const unsigned char* bytes, std::size_t size) {
    // A whole system exclusive message (the hardware's tone and parameter dumps) goes as a
    // sysex event; the effect copies its bytes while processEvents runs.
    if (size >= 2 && bytes[0] == 0xf0 && bytes[size - 1] == 0xf7 && size <= 0x7fffffff) {
        VstMidiSysexEvent& sysex = sysexEvents[eventList.numEvents];
        std::memset(&sysex, 0, sizeof sysex);
        sysex.type = kVstSysExType;
        sysex.byteSize = sizeof sysex;
        sysex.deltaFrames = frame;
        sysex.dumpBytes = static_cast<VstInt32>(size);
        sysex.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(bytes));
        eventList.events[eventList.numEvents++] = reinterpret_cast<VstEvent*>(&sysex);
        return;
    }
    // Otherwise channel messages only; real-time messages are not played.
    if (size < 1 || size > 3 || bytes[0] < 0x80 || bytes[0] >= 0xf0) return;
    VstMidiEvent& midi = midiEvents[eventList.numEvents];
    std::memset(&midi, 0, sizeof midi);
    midi.type = kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.deltaFrames = frame;
    std::memcpy(midi.midiData, bytes, size);
    eventList.events[eventList.numEvents++] = reinterpret_cast<VstEvent*>(&midi);
}

}  // namespace halvorax
