// The JACK client of the standalone instrument: two audio outputs and a MIDI input, with the
// effect rendering in JACK's process callback. MIDI from the ALSA sequencer joins there.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <string>

#include "AlsaMidiInput.h"
#include "EventQueue.h"
#include "VstAbi.h"

namespace halvorax {

class JackHost {
public:
    JackHost(AEffect* effect, AlsaMidiRing& alsaMidi) : effect(effect), alsaMidi(alsaMidi) {}
    ~JackHost();  // deactivates and closes the client
    JackHost(const JackHost&) = delete;
    JackHost& operator=(const JackHost&) = delete;

    // Opens the client (never starting a server), registers its ports and callbacks and
    // hands the server's sample rate and buffer size to the effect. On failure `error` holds
    // one line and `noServer` tells whether no server was running.
    bool open(const std::string& name, std::string& error, bool& noServer);
    bool activate(std::string& error);
    // Outputs to the first playback ports, every MIDI capture port to our input; a missing
    // port is reported, not fatal.
    void connectToSystem();

    std::string clientName() const;
    bool serverGone() const { return shutDown.load(); }
    unsigned xruns() const { return xrunCount.load(); }

private:
    static int onProcess(jack_nframes_t frames, void* self);
    static int onSampleRate(jack_nframes_t rate, void* self);
    static int onBufferSize(jack_nframes_t frames, void* self);
    static int onXrun(void* self);
    static void onShutdown(void* self);
    void process(jack_nframes_t frames);
    void addEvent(int frame, const unsigned char* bytes, std::size_t size);
    VstIntPtr dispatch(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

    AEffect* effect;
    AlsaMidiRing& alsaMidi;
    jack_client_t* client = nullptr;
    jack_port_t* outputs[2] = {};
    jack_port_t* midiInput = nullptr;
    bool active = false;
    std::atomic<bool> shutDown{false};
    std::atomic<unsigned> xrunCount{0};

    // The block's events as the effect takes them; filled in the process callback only.
    struct EventList {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[kMaxQueuedEvents];
    } eventList{};
    VstMidiEvent midiEvents[kMaxQueuedEvents]{};
    // System exclusive messages point into JACK's buffer, which outlives the effect's copy.
    VstMidiSysexEvent sysexEvents[kMaxQueuedEvents]{};
};

}  // namespace halvorax
