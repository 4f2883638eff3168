// The ALSA sequencer input port, where keyboards show up: a thread of its own reads its
// events and hands them on as short MIDI messages through a lock-free ring.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "MidiRing.h"

struct _snd_seq;

namespace halvorax {

using AlsaMidiRing = MidiRing<512>;

class AlsaMidiInput {
public:
    explicit AlsaMidiInput(AlsaMidiRing& ring) : ring(ring) {}
    ~AlsaMidiInput();  // stops the reader and closes the sequencer

    // Opens the sequencer as client `name` with one input port and starts reading. False,
    // with the reason in `error`, when there is no sequencer.
    bool start(const std::string& name, std::string& error);

private:
    void run();

    AlsaMidiRing& ring;
    _snd_seq* seq = nullptr;
    std::thread reader;
    std::atomic<bool> stopping{false};
};

}  // namespace halvorax
