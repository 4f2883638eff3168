// Component Manager: the component's own description, name and 'thng' resource, unregistering
// with an instance open, the LP64 argument slots of an Audio Unit call, and refused calls. Opening,
// failed opens, storage and every other call are driven through the wrapper by its own tests.
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
};

std::vector<RecordedCall> calls;

ComponentResult TestEntry(ComponentParameters* p, Handle storage) {
    RecordedCall call{p->what, p->paramSize, {}};
    std::memcpy(call.slots, p->params, sizeof(long) * (1 + p->paramSize / sizeof(long)));
    calls.push_back(call);
    switch (p->what) {
        case kComponentOpenSelect: {
            const auto self = reinterpret_cast<ComponentInstance>(p->params[0]);
            SetComponentInstanceStorage(self, reinterpret_cast<Handle>(new int(0)));
            return noErr;
        }
        case kComponentCloseSelect:
            delete reinterpret_cast<int*>(storage);
            return noErr;
        case kAudioUnitGetPropertySelect:
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
    void SetUp() override { calls.clear(); }
    const RecordedCall& last() const { return calls.back(); }

    static Component component;
};

Component ComponentTest::component = nullptr;

}  // namespace

TEST_F(ComponentTest, DescriptionNameAndResourceOfAnInstance) {
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
    CloseComponent(ci);
}

// An instance open when its component is unregistered keeps the component until it closes.
TEST_F(ComponentTest, UnregisteringWithAnInstanceOpen) {
    ComponentDescription cd{kAudioUnitType_Effect, kSubType, kManufacturer, 0, 0};
    Component effect = StandInRegisterComponent(&cd, TestEntry, "Delay", "", 1);
    ComponentInstance open = OpenComponent(effect);
    EXPECT_EQ(UnregisterComponent(effect), noErr);
    EXPECT_NE(UnregisterComponent(effect), noErr);
    ComponentDescription cdOfOpen{};
    EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(open), &cdOfOpen, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(cdOfOpen.componentType, kAudioUnitType_Effect);
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
