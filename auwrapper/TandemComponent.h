// One opened Audio Unit instance: hosts the VST 2.4 effect of the same bundle and answers the
// Audio Unit selectors and properties on its behalf, translating parameters, MIDI, rendering,
// presets and state into VST calls. Generic: nothing here depends on this particular synth
// beyond what the effect reports.
//
// Source files:
//   TandemComponent.cpp   construction, selector dispatch, parameters, host callbacks, presets
//   TandemProperties.cpp  the property table (GetPropertyInfo / GetProperty / SetProperty)
//   TandemRender.cpp      bus layout, formats and rates, connections, MIDI queue, rendering
//   TandemView.cpp        the editor view and its factory
//   TandemEntry.cpp       the Component Manager entry point and its exception guard
//
// Defined with the parameter map, the configuration and the presets (auwrapper/TandemPresets.cpp
// and the files it uses: ParameterMap*, FactoryPresets*, PresetConversion*, AUPresetDictionary*):
//   loadConfiguration, readOrCreateParameterMapping, createDefaultParameterMappingFile,
//   readParameterMapping, createAUPresetWithVSTData, createAUPresetOfCurrentProgram,
//   createAUPresetOfCurrentBank, copyClassInfo, restoreClassInfo, loadOrCreateFactoryPresets,
//   createFactoryPresets, loadFactoryPresets, convertVSTPresets, convertVSTPresetsInDomain,
//   convertVSTPreset, convertLoadedPrograms.
#pragma once

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <memory>

#include "VSTHost.h"
#include "VSTPlugIn.h"
#include "VstAbi.h"

namespace tandem {

class Tandem20010220_CocoaView;

// A VstEvents block with 1024 slots.
struct TandemVstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[1024];
};

// Where the component's bundle and effect come from. The default finds the bundle around the
// loaded image that holds this code and the effect through the bundle's VST entry function;
// tests pass a bundle and an entry function of their own.
struct TandemOrigin {
    CFURLRef bundleURL = nullptr;         // null: the bundle of this code's image
    VSTEntryFunction vstEntry = nullptr;  // null: looked up in the VST bundle
};

class TandemComponent : public VSTHost {
public:
    static constexpr int kMaxBuses = 32;
    static constexpr int kMaxListeners = 128;
    static constexpr int kMaxRenderNotifications = 128;
    static constexpr int kMaxFactoryPresets = 128;
    static constexpr int kMaxMappedParameters = 1024;
    static constexpr int kMidiQueueSize = 1024;
    // Hosts render slices of a few thousand frames; a larger maximum would only allocate
    // buffers of gigabytes for a value gone wrong.
    static constexpr UInt32 kLargestSlice = 65536;
    static constexpr double kNoRenderTime = -12345678.0;

    explicit TandemComponent(ComponentInstance instance, const TandemOrigin& origin = TandemOrigin());
    ~TandemComponent() override;
    TandemComponent(const TandemComponent&) = delete;
    TandemComponent& operator=(const TandemComponent&) = delete;

    // Serves every selector except open, close, can-do and version. Raises on failure.
    ComponentResult dispatch(ComponentParameters* params);

    // ---- VSTHost ----
    void getVendor(VSTPlugIn& plugin, char* text) override;
    void getProduct(VSTPlugIn& plugin, char* text) override;
    int getVersion(VSTPlugIn& plugin) override;
    bool canDo(VSTPlugIn& plugin, const char* text) override;
    VstTimeInfo* getTimeInfo(VSTPlugIn& plugin, int filter) override;
    void beginEdit(VSTPlugIn& plugin, int index) override;
    void automate(VSTPlugIn& plugin, int index, float value) override;
    void endEdit(VSTPlugIn& plugin, int index) override;
    bool isIOPinConnected(VSTPlugIn& plugin, bool isInput, int pin) override;
    void idle(VSTPlugIn& plugin) override;
    void updateDisplay(VSTPlugIn& plugin) override;
    void resizeWindow(VSTPlugIn& plugin, int width, int height) override;

    // ---- Audio Unit calls (also reached through dispatch) ----
    OSStatus getPropertyInfo(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element,
                             UInt32* outDataSize, Boolean* outWritable);
    OSStatus getProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, void* outData,
                         UInt32* ioDataSize);
    OSStatus setProperty(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element, const void* inData,
                         UInt32 inDataSize);
    OSStatus getParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element, Float32* outValue);
    OSStatus setParameter(AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement element, Float32 value);
    OSStatus scheduleParameters(const AudioUnitParameterEvent* events, UInt32 count);
    OSStatus reset(AudioUnitScope scope, AudioUnitElement element);
    // Real-time safe: no allocation, no locks.
    OSStatus midiEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offsetSampleFrame);
    OSStatus render(AudioUnitRenderActionFlags* ioActionFlags, const AudioTimeStamp* timeStamp, UInt32 bus,
                    UInt32 frames, AudioBufferList* ioData);

    // ---- Operations shared with the preset and parameter-map code ----
    int32_t getInputBusChannelCount(int bus) const { return inputBusChannelStart[bus + 1] - inputBusChannelStart[bus]; }
    int32_t getOutputBusChannelCount(int bus) const {
        return outputBusChannelStart[bus + 1] - outputBusChannelStart[bus];
    }
    ComponentDescription getComponentDescription() const;
    OSType getComponentType() const { return getComponentDescription().componentType; }
    // The Component Manager name of the instance (a new string, released by the caller).
    CFStringRef copyComponentName() const;
    float scaleToAUParameter(AudioUnitParameterID id, float vstValue) const;
    float scaleFromAUParameter(AudioUnitParameterID id, float auValue) const;
    void propertyChanged(AudioUnitPropertyID id, AudioUnitScope scope, AudioUnitElement element);
    bool updateSampleRate(Float64 rate);
    void updateFormat(AudioUnitScope scope, AudioUnitElement bus, const AudioStreamBasicDescription& format);
    void updateMaxFramesPerSlice(UInt32 frames);
    void reallocateIOBuffers();
    void updateInitialDelayAndTailTimes();
    bool updateTailTime();
    bool updateCurrentAUPreset();
    void updateCurrentVSTProgramName(CFStringRef name);
    void tryToIdentifyHostApplication();
    void layOutBuses();
    Tandem20010220_CocoaView* createView();
    void dropView();
    static void idleTimerAction(EventLoopTimerRef timer, void* component);

    // ---- Configuration and parameter map (auwrapper/Configuration*, ParameterMap*) ----
    void loadConfiguration();
    void readOrCreateParameterMapping();
    void createDefaultParameterMappingFile(CFURLRef file);
    void readParameterMapping(CFURLRef file);

    // ---- Presets (auwrapper/Presets*, FactoryPresets*) ----
    CFMutableDictionaryRef createAUPresetWithVSTData(size_t size, const unsigned char* bytes, CFStringRef name);
    CFMutableDictionaryRef createAUPresetOfCurrentProgram(CFStringRef name);
    CFMutableDictionaryRef createAUPresetOfCurrentBank(CFStringRef name);
    // ClassInfo get: a new dictionary the caller releases. Set: restores the state.
    CFPropertyListRef copyClassInfo();
    void restoreClassInfo(CFPropertyListRef classInfo);
    void loadOrCreateFactoryPresets();
    void createFactoryPresets(CFURLRef listFile);
    void loadFactoryPresets(CFURLRef listFile);
    void convertVSTPresets();
    void convertVSTPresetsInDomain(int domain, CFStringRef componentName);
    void convertVSTPreset(CFURLRef file, bool isBank);
    void convertLoadedPrograms(CFURLRef folder, bool writeList, CFMutableDataRef list);

    // ---- The instance record. Public so that the preset and parameter-map code and the
    // tests can reach it; the component itself keeps it consistent. ----
    ComponentInstance componentInstance;
    CFBundleRef bundle = nullptr;
    CFURLRef resourcesFolder = nullptr;  // the bundle's Resources folder (a file URL on Linux)
    AudioStreamBasicDescription streamFormat;
    UInt32 maxFramesPerSlice = 4096;
    int32_t renderNotificationCount = 0;
    AURenderCallbackStruct renderNotifications[kMaxRenderNotifications] = {};
    double lastRenderSampleTime = kNoRenderTime;
    AudioUnitConnection inputConnections[kMaxBuses] = {};
    AURenderCallbackStruct inputCallbacks[kMaxBuses] = {};
    float* ioBuffers[kMaxBuses] = {};
    bool outputIsSilent = false;
    int32_t propertyListenerCount = 0;
    struct AUPropertyListener {
        AudioUnitPropertyID fPropertyID;
        AudioUnitPropertyListenerProc fListenerProc;
        void* fListenerRefCon;
    } propertyListeners[kMaxListeners] = {};
    HostCallbackInfo hostCallbacks = {};
    AUPreset currentPreset = {-1, nullptr};
    AUPreset factoryPresets[kMaxFactoryPresets] = {};
    CFDataRef factoryPresetData[kMaxFactoryPresets] = {};
    CFArrayRef factoryPresetArray = nullptr;
    int32_t mappedParameterCount = 0;
    uint32_t mappedParameters[kMaxMappedParameters] = {};
    AudioUnitParameterInfo* parameterInfos = nullptr;  // one per VST parameter
    CFArrayRef* parameterValueStrings = nullptr;       // one per VST parameter
    bool presetIsFXB = false;
    bool autoConvertPresets = false;
    bool updateNameOnLoad = false;
    std::unique_ptr<VSTPlugIn> vst;
    TandemVstEvents vstEvents = {};
    VstTimeInfo vstTimeInfo = {};
    bool vstSupportsExtensions = false;
    bool hasTail = false;
    double latencySeconds = 0.0;
    double tailSeconds = 0.0;
    bool canBypass = false;
    bool isBypassed = false;
    bool busesUniform = true;
    int32_t inputBusCount = 0;
    int32_t outputBusCount = 0;
    int32_t inputBusChannelStart[kMaxBuses + 1] = {};
    int32_t outputBusChannelStart[kMaxBuses + 1] = {};
    CFStringRef inputBusNames[kMaxBuses] = {};
    CFStringRef outputBusNames[kMaxBuses] = {};
    int32_t hostApplication = 0;  // 0 other, 1 Logic < 8.0.0, 2 GarageBand < 4.2, 3 Logic 8.0.0
    EventLoopTimerRef idleTimer = nullptr;
    Tandem20010220_CocoaView* view = nullptr;

private:
    void construct(const TandemOrigin& origin);
    void uninit();
    CFURLRef copyOwnBundleURL() const;
    CFBundleRef createVSTBundle();
    void checkEffect();
    VstIntPtr probeDispatcher(int32_t opcode, int32_t index, VstIntPtr value, void* pointer, float opt);
    bool parameterInRange(AudioUnitParameterID id) const;
    void checkParameterScaling(AudioUnitParameterID id) const;
    OSStatus applyAUParameter(AudioUnitParameterID id, Float32 value);
    OSStatus getPreset(void* outData, UInt32* ioDataSize, bool retainName);
    void setPreset(const void* inData, UInt32 inDataSize);
    void getStringFromValue(AudioUnitParameterStringFromValue& request);
    void getValueFromString(AudioUnitParameterValueFromString& request);
    void setHostCallbacks(const void* inData, UInt32 inDataSize);
    void makeConnection(AudioUnitElement bus, const AudioUnitConnection& connection);
    void setRenderCallback(AudioUnitElement bus, const AURenderCallbackStruct& callback);
    void notifyRender(AudioUnitRenderActionFlags* flags, const AudioTimeStamp* timeStamp, UInt32 bus, UInt32 frames,
                      AudioBufferList* ioData);
    void updateVSTTimeInfo(const AudioTimeStamp& timeStamp);
    bool collectInputAudio(UInt32 frames, float** inputs, const AudioTimeStamp& timeStamp);
    void renderOutput(UInt32 frames, float** inputs, bool inputsSilent);
    void layOutPins(bool isInput, int32_t pinCount, bool multiBus, int32_t& busCount, int32_t* start,
                    CFStringRef* names);
};

// The entry guard's body, with the component made by `create` on open (tests pass their own).
typedef TandemComponent* (*TandemFactory)(ComponentInstance instance);
ComponentResult tandemEntry(ComponentParameters* params, TandemComponent* storage, TandemFactory create);

}  // namespace tandem

// The Component Manager entry point of the bundle.
extern "C" __attribute__((visibility("default"))) ComponentResult TandemEntry(ComponentParameters* params,
                                                                              Handle storage);
