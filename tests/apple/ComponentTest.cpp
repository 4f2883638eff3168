// Component Manager: the component's own description, name and 'thng' resource, unregistering
// with an instance open, and refused calls. Opening, failed opens, storage and the argument
// slots of every Audio Unit call are driven through the wrapper by its own tests.
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>
#include <StandIn/StandIn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const OSType kSubType = 0x54657374;  // 'Test'
const OSType kManufacturer = 0x4272436F;

ComponentResult TestEntry(ComponentParameters* p, Handle storage) {
    switch (p->what) {
        case kComponentOpenSelect: {
            const auto self = reinterpret_cast<ComponentInstance>(p->params[0]);
            SetComponentInstanceStorage(self, reinterpret_cast<Handle>(new int(0)));
            return noErr;
        }
        case kComponentCloseSelect:
            delete reinterpret_cast<int*>(storage);
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
    static Component component;
};

Component ComponentTest::component = nullptr;

ComponentInstance opened(Component c) {
    ComponentInstance ci = nullptr;
    EXPECT_EQ(OpenAComponent(c, &ci), noErr);
    return ci;
}

}  // namespace

TEST_F(ComponentTest, DescriptionNameAndResourceOfAnInstance) {
    ComponentInstance ci = opened(component);
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
    ComponentInstance open = opened(effect);
    EXPECT_EQ(UnregisterComponent(effect), noErr);
    EXPECT_NE(UnregisterComponent(effect), noErr);
    ComponentDescription cdOfOpen{};
    EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(open), &cdOfOpen, nullptr, nullptr, nullptr), noErr);
    EXPECT_EQ(cdOfOpen.componentType, kAudioUnitType_Effect);
    EXPECT_EQ(CloseComponent(open), noErr);
}

// (Unknown selectors: the wrapper's selector test.)
TEST_F(ComponentTest, CallsOnSomethingThatIsNoInstanceAreRefused) {
    struct {
        UInt32 magic = 0;
    } notAnInstance;
    auto fake = reinterpret_cast<ComponentInstance>(&notAnInstance);
    EXPECT_EQ(AudioUnitInitialize(fake), badComponentInstance);
    EXPECT_EQ(CloseComponent(fake), OSErr(badComponentInstance));
    EXPECT_EQ(GetComponentInstanceStorage(fake), nullptr);
}
