#pragma once

namespace halvorax::synth {

// Stereo chorus over the voice sum: two modulated delay lines, one per channel,
// swept by one sine LFO whose right-channel copy runs a quarter cycle ahead.
class AlphaChorus {
public:
    static constexpr int kLineLength = 44100;

    AlphaChorus();

    // Processes count samples; inputs and outputs may be the same channel pair,
    // each input sample is read before the output sample at its position is written.
    void blockProcess(float* const* inputs, float* const* outputs, int count);

    double sampleRate;  // Hz, set by the engine per block
    double rate;        // LFO rate in Hz, set by the engine per block
    double inputGain;   // gain of the signal written into the delay lines
    double mix;         // dry share of the output; the wet share is 1 - mix
    double lastWetLeft, lastWetRight;
    double delayLeft[kLineLength];
    double delayRight[kLineLength];
    int writeLeft, writeRight;
    int lineLength;
    double centre;        // centre delay in samples at 44.1 kHz
    double depth;         // sweep depth in samples at 44.1 kHz
    double lfoPhase;      // 0..1
    double lfoIncrement;  // rate / sampleRate
};

}  // namespace halvorax::synth
