// Component Manager: registration, open and close, instance storage, the component's own
// description, name and 'thng' version, and the LP64 argument slots of every Audio Unit call.
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const OSType kSubType = 0x54657374;  // 'Test'
const OSType kManufacturer = 0x4272436F;

struct RecordedCall {
    SInt16 what;
    UInt8 paramSize;
    long slots[6];
    Handle storage;
};

struct Unit {
    ComponentInstance self;
    Float32 parameters[4];
};

std::vector<RecordedCall> calls;
ComponentResult openResult = noErr;
int closesWithoutStorage = 0;

template <typename T>
T slotAs(const ComponentParameters* p, int i) {
    T value;  // a small argument sits in its slot's low bytes
    std::memcpy(&value, &p->params[i], sizeof(T));
    return value;
}

ComponentResult TestEntry(ComponentParameters* p, Handle storage) {
    RecordedCall call{p->what, p->paramSize, {}, storage};
    std::memcpy(call.slots, p->params, sizeof(long) * (1 + p->paramSize / sizeof(long)));
    calls.push_back(call);
    auto* unit = reinterpret_cast<Unit*>(storage);
    switch (p->what) {
        case kComponentOpenSelect: {
            if (openResult != noErr) return openResult;
            auto* created = new Unit{reinterpret_cast<ComponentInstance>(p->params[0]), {}};
            SetComponentInstanceStorage(created->self, reinterpret_cast<Handle>(created));
            return noErr;
        }
        case kComponentCloseSelect:
            if (unit == nullptr) ++closesWithoutStorage;
            delete unit;
            return noErr;
        case kComponentCanDoSelect: {
            const SInt16 selector = slotAs<SInt16>(p, 1);
            return selector == kAudioUnitGetParameterSelect || selector == kMusicDeviceMIDIEventSelect;
        }
        case kComponentVersionSelect: {
            Handle thng = nullptr;
            if (GetComponentResource(reinterpret_cast<Component>(unit->self), kComponentResourceType, 10000, &thng))
                return 0;
            const auto* bytes = reinterpret_cast<const UInt8*>(*thng) + sizeof(ComponentResource);
            const ComponentResult version =
                ComponentResult(UInt32(bytes[0]) << 24 | UInt32(bytes[1]) << 16 | UInt32(bytes[2]) << 8 | bytes[3]);
            DisposeHandle(thng);
            return version;
        }
        case kAudioUnitGetParameterSelect:
            *reinterpret_cast<Float32*>(p->params[4]) = unit->parameters[slotAs<UInt32>(p, 1)];
            return noErr;
        case kAudioUnitSetParameterSelect:
            unit->parameters[slotAs<UInt32>(p, 1)] = slotAs<Float32>(p, 4);
            return noErr;
        case kAudioUnitGetPropertySelect:
        case kAudioUnitSetPropertySelect:
        case kAudioUnitRenderSelect:
        case kMusicDeviceMIDIEventSelect:
        case kAudioUnitResetSelect:
            return noErr;
        default:
            return badComponentSelector;
    }
}

class ComponentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ComponentDescription cd{kAudioUnitType_MusicDevice, kSubType, kManufacturer, 0, 0};
        component = StandInRegisterComponent(&cd, TestEntry, "Brindlecove: Halvorax", "A test unit", 0x00010203);
    }
    void SetUp() override {
        calls.clear();
        openResult = noErr;
        closesWithoutStorage = 0;
    }
    const RecordedCall& last() const { return calls.back(); }

    static Component component;
};

Component ComponentTest::component = nullptr;

}  // namespace

TEST(MacMemory, HandlesResizeAndReportTheirSize) {
    Handle h = NewHandleClear(4);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetHandleSize(h), 4);
    EXPECT_EQ((*h)[3], 0);
    SetHandleSize(h, 300);
    EXPECT_EQ(MemError(), noErr);
    EXPECT_EQ(GetHandleSize(h), 300);
    (*h)[299] = 'x';
    DisposeHandle(h);
}

TEST_F(ComponentTest, FindsTheRegisteredComponentByDescription) {
    ComponentDescription looking{kAudioUnitType_MusicDevice, kSubType, 0, 0, 0};
    EXPECT_EQ(FindNextComponent(nullptr, &looking), component);
    EXPECT_EQ(FindNextComponent(component, &looking), nullptr);
    looking.componentSubType = 0x4E6F6E65;
    EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
}

TEST_F(ComponentTest, OpenStoresTheInstanceAndCloseHandsBackTheStorage) {
    ComponentInstance ci = nullptr;
    ASSERT_EQ(OpenAComponent(component, &ci), noErr);
    ASSERT_NE(ci, nullptr);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].what, kComponentOpenSelect);
    EXPECT_EQ(calls[0].slots[0], reinterpret_cast<long>(ci));
    EXPECT_EQ(calls[0].storage, nullptr);
    Handle storage = GetComponentInstanceStorage(ci);
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(reinterpret_cast<Unit*>(storage)->self, ci);
    EXPECT_EQ(CloseComponent(ci), noErr);
    EXPECT_EQ(last().what, kComponentCloseSelect);
    EXPECT_EQ(last().storage, storage);
    EXPECT_EQ(closesWithoutStorage, 0);
}

TEST_F(ComponentTest, FailedOpenIsClosedAndReturnsTheError) {
    openResult = -32767;
    ComponentInstance ci = reinterpret_cast<ComponentInstance>(1);
    EXPECT_EQ(OpenAComponent(component, &ci), -32767);
    EXPECT_EQ(ci, nullptr);
    EXPECT_EQ(last().what, kComponentCloseSelect);
    EXPECT_EQ(closesWithoutStorage, 1);
}

TEST_F(ComponentTest, DescriptionNameAndVersionOfAnInstance) {
    ComponentInstance ci = OpenComponent(component);
    ComponentDescription cd{};
    Handle name = NewHandle(0);
    ASSERT_EQ(GetComponentInfo(reinterpret_cast<Component>(ci), &cd, name, nullptr, nullptr), noErr);
    EXPECT_EQ(cd.componentType, kAudioUnitType_MusicDevice);
    EXPECT_EQ(cd.componentSubType, kSubType);
    EXPECT_EQ(cd.componentManufacturer, kManufacturer);
    ASSERT_EQ(GetHandleSize(name), 22);
    EXPECT_EQ(std::string(*name + 1, UInt8((*name)[0])), "Brindlecove: Halvorax");
    DisposeHandle(name);

    Handle thng = nullptr;
    ASSERT_EQ(GetComponentResource(component, kComponentResourceType, 10000, &thng), noErr);
    ASSERT_EQ(GetHandleSize(thng), 54);
    const auto* bytes = reinterpret_cast<const UInt8*>(*thng);
    EXPECT_EQ(std::memcmp(bytes, "aumuTestBrCo", 12), 0);  // big-endian four-character codes
    DisposeHandle(thng);
    Handle none = nullptr;
    EXPECT_EQ(GetComponentResource(component, 0x53545220, 1, &none), resNotFound);

    EXPECT_EQ(GetComponentVersion(ci), 0x00010203);
    EXPECT_EQ(ComponentFunctionImplemented(ci, kAudioUnitGetParameterSelect), 1);
    EXPECT_EQ(ComponentFunctionImplemented(ci, kMusicDeviceMIDIEventSelect), 1);
    EXPECT_EQ(ComponentFunctionImplemented(ci, 8), 0);
    CloseComponent(ci);
}

TEST_F(ComponentTest, RegisterComponentTakesPascalStrings) {
    ComponentDescription cd{kAudioUnitType_Effect, kSubType, kManufacturer, 0, 0};
    Handle name = NewHandle(6);
    std::memcpy(*name,
                "\x05"
                "Delay",
                6);
    Component effect = RegisterComponent(&cd, TestEntry, 0, name, nullptr, nullptr);
    DisposeHandle(name);
    Handle back = NewHandle(0);
    ASSERT_EQ(GetComponentInfo(effect, nullptr, back, nullptr, nullptr), noErr);
    EXPECT_EQ(std::string(*back + 1, UInt8((*back)[0])), "Delay");
    DisposeHandle(back);
    ComponentInstance open = OpenComponent(effect);
    EXPECT_EQ(UnregisterComponent(effect), noErr);
    EXPECT_NE(UnregisterComponent(effect), noErr);
    ComponentDescription looking{kAudioUnitType_Effect, kSubType, 0, 0, 0};
    EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
    ComponentDescription cdOfOpen{};
    EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(open), &cdOfOpen, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(cdOfOpen.componentType, kAudioUnitType_Effect);  // an open instance keeps its component
    EXPECT_EQ(CloseComponent(open), noErr);
}

TEST_F(ComponentTest, ArgumentsFollowTheInstanceInDeclarationOrder) {
    ComponentInstance ci = OpenComponent(component);
    UInt32 size = 8;
    double value = 0;
    AudioUnitGetProperty(ci, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 3, &value, &size);
    EXPECT_EQ(last().what, kAudioUnitGetPropertySelect);
    EXPECT_EQ(last().paramSize, 5 * sizeof(long));
    EXPECT_EQ(last().slots[0], reinterpret_cast<long>(ci));
    EXPECT_EQ(last().slots[1], kAudioUnitProperty_SampleRate);
    EXPECT_EQ(last().slots[2], kAudioUnitScope_Output);
    EXPECT_EQ(last().slots[3], 3);
    EXPECT_EQ(last().slots[4], reinterpret_cast<long>(&value));
    EXPECT_EQ(last().slots[5], reinterpret_cast<long>(&size));

    AudioUnitSetProperty(ci, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &size, 4);
    EXPECT_EQ(last().what, kAudioUnitSetPropertySelect);
    EXPECT_EQ(last().slots[5], 4);

    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp ts{};
    AudioBufferList list{};
    AudioUnitRender(ci, &flags, &ts, 1, 512, &list);
    EXPECT_EQ(last().what, kAudioUnitRenderSelect);
    EXPECT_EQ(last().slots[1], reinterpret_cast<long>(&flags));
    EXPECT_EQ(last().slots[2], reinterpret_cast<long>(&ts));
    EXPECT_EQ(last().slots[3], 1);
    EXPECT_EQ(last().slots[4], 512);
    EXPECT_EQ(last().slots[5], reinterpret_cast<long>(&list));

    MusicDeviceMIDIEvent(ci, 0x90, 60, 100, 17);
    EXPECT_EQ(last().what, kMusicDeviceMIDIEventSelect);
    EXPECT_EQ(last().slots[1], 0x90);
    EXPECT_EQ(last().slots[4], 17);

    AudioUnitReset(ci, kAudioUnitScope_Global, 0);
    EXPECT_EQ(last().what, kAudioUnitResetSelect);
    EXPECT_EQ(last().paramSize, 2 * sizeof(long));
    CloseComponent(ci);
}

TEST_F(ComponentTest, FloatArgumentTravelsAsFloatBits) {
    ComponentInstance ci = OpenComponent(component);
    ASSERT_EQ(AudioUnitSetParameter(ci, 2, kAudioUnitScope_Global, 0, 0.75f, 64), noErr);
    Float32 bits;
    std::memcpy(&bits, &last().slots[4], sizeof bits);
    EXPECT_EQ(bits, 0.75f);
    EXPECT_EQ(last().slots[5], 64);
    Float32 value = 0;
    ASSERT_EQ(AudioUnitGetParameter(ci, 2, kAudioUnitScope_Global, 0, &value), noErr);
    EXPECT_EQ(value, 0.75f);
    CloseComponent(ci);
}

TEST_F(ComponentTest, UnknownSelectorAndDeadInstance) {
    ComponentInstance ci = OpenComponent(component);
    EXPECT_EQ(AudioUnitAddRenderNotify(ci, nullptr, nullptr), badComponentSelector);
    CloseComponent(ci);
    struct {
        UInt32 magic = 0;
    } notAnInstance;
    auto fake = reinterpret_cast<ComponentInstance>(&notAnInstance);
    EXPECT_EQ(AudioUnitInitialize(fake), badComponentInstance);
    EXPECT_EQ(CloseComponent(fake), OSErr(badComponentInstance));
    EXPECT_EQ(GetComponentInstanceStorage(fake), nullptr);
}
