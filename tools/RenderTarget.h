// What offline rendering needs of a hosted instrument, whichever plug-in format hosts it.
#pragma once

#include <vector>

namespace halvorax {

class RenderTarget {
public:
    // A MIDI message (status, data1, data2) at a frame offset of the coming block.
    struct Midi {
        int frame;
        unsigned char bytes[3];
    };

    virtual ~RenderTarget() = default;
    // Sets a Halvorax parameter by its index, normalized to 0..1 as VST 2.4 hosts send it.
    virtual void setParameter(int index, float value) = 0;
    // The messages for the coming block; process() renders it.
    virtual void sendMidi(const std::vector<Midi>& messages) = 0;
    virtual void process(float** outputs, int frames) = 0;
};

}  // namespace halvorax
