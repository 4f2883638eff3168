#pragma once

namespace halvorax::synth {

// Stereo chorus over the voice sum: two modulated delay lines, one per channel,
// swept by one sine LFO whose right-channel copy runs a quarter cycle ahead.
class AlphaChorus {
public:
    // A power of two, so that positions wrap by a mask; it holds the longest delay (centre
    // plus depth, 208 samples at 44.1 kHz) at the highest rate the voices take, 768 kHz.
    static constexpr int kLineLength = 4096;

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
    int writeLeft, writeRight;  // the next slot each line writes (any value is taken modulo the length)
    double centre;              // centre delay in samples at 44.1 kHz
    double depth;               // sweep depth in samples at 44.1 kHz
    double lfoPhase;            // 0..1
    double lfoIncrement;        // rate / sampleRate
};

}  // namespace halvorax::synth
