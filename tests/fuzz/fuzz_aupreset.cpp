// .aupreset files and ClassInfo values: any bytes are parsed as a property list and restored
// into an effect. Refusals come as the wrapper's exceptions, nothing past the data is read,
// and no Core Foundation object is left behind.
#include <StandIn/StandIn.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "AUPresetDictionary.h"
#include "FactoryPresets.h"
#include "PresetFuzzEffect.h"
#include "TandemExceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CFIndex liveBefore = StandInLiveObjectCount();
    {
        const ComponentDescription description = {tandem::fourCC('a', 'u', 'm', 'u'),
                                                  tandem::fourCC('F', 'u', 'z', 'z'),
                                                  tandem::fourCC('F', 'u', 'z', 'z'), 0, 0};
        CFDataRef xml = CFDataCreate(nullptr, data, CFIndex(size));
        CFStringRef error = nullptr;
        CFPropertyListRef list = CFPropertyListCreateFromXMLData(nullptr, xml, kCFPropertyListImmutable, &error);
        CFRelease(xml);
        if (error) CFRelease(error);
        PresetFuzzEffect effect(5, 3, false);
        PresetFuzzEffect chunks(5, 1, true);
        for (PresetFuzzEffect* target : {&effect, &chunks}) {
            try {
                tandem::AUPresetDictionary::restoreClassInfo(*target, description, list, true);
            } catch (const tandem::MacOSException& refused) {
                if (refused.code() != -10851) std::abort();
            } catch (const tandem::TandemException&) {
                // A missing key.
            }
            if (target->depth != 0) std::abort();
        }
        if (list) CFRelease(list);
        // The same bytes as a factory preset list.
        tandem::FactoryPresets::parseList(data, size);
    }
    if (StandInLiveObjectCount() != liveBefore) std::abort();
    return 0;
}
