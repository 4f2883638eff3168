// A minimal Audio Unit host over the Linux framework stand-in: loads a bundle's executable,
// registers its Component Manager entry with the description from the bundle's Info.plist
// (AudioComponents), opens one instance and plays MIDI songs through it.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <vector>

#include "MidiFile.h"
#include "Renderer.h"

namespace halvorax {

// The largest files the host reads: an .aupreset as large as the property-list reader takes,
// and a VST preset file of a bank (128 programs of 1024 values: about 530 KB).
constexpr size_t kMaxPresetFileBytes = 4u << 20;
constexpr size_t kMaxVstPresetFileBytes = 1u << 20;

struct AuRenderSettings {
    double sampleRate = 44100.0;
    int blockSize = 512;
    double tailSeconds = 2.0;
};

class AudioUnitHost {
public:
    // Bundle folder (Name.vst) or the .so inside it. On failure returns null with `error`.
    static AudioUnitHost* open(const std::string& path, std::string& error);
    ~AudioUnitHost();
    AudioUnitHost(const AudioUnitHost&) = delete;
    AudioUnitHost& operator=(const AudioUnitHost&) = delete;

    AudioUnit unit() const { return unit_; }
    CFBundleRef bundle() const { return bundle_; }
    const std::string& name() const { return name_; }
    const AudioComponentDescription& description() const { return description_; }

    // Sample rate (output bus 0) and slice size; Initialize.
    OSStatus start(const AuRenderSettings& settings);
    // Renders the song block by block, handing each block's MIDI to MusicDeviceMIDIEvent at
    // its frame offset, and each block's frames to `output`.
    OSStatus renderSong(const MidiSong& song, const AuRenderSettings& settings, WavWriter& output);

    // ClassInfo state as an .aupreset (XML property list) file.
    OSStatus savePreset(const std::string& path, std::string& error);
    OSStatus loadPreset(const std::string& path, std::string& error);

    // Properties and parameters, as text.
    std::string describe();

private:
    AudioUnitHost() = default;
    CFBundleRef bundle_ = nullptr;
    Component component_ = nullptr;
    AudioUnit unit_ = nullptr;
    std::string name_;
    AudioComponentDescription description_{};
};

// A four-character code from its text ("aumu"), 0 when the text is not four characters.
OSType fourCharCode(const std::string& text);
std::string fourCharText(OSType code);

}  // namespace halvorax
