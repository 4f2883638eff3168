// Retain counting, type IDs and equality of Core Foundation objects.
#include "CFInternal.h"

#include <StandIn/StandIn.h>

#include <climits>

namespace cf {

namespace {
std::atomic<long> liveObjects{0};
}

CFObject::CFObject(CFTypeID id, bool isImmortal) : typeID(id), immortal(isImmortal) {
    if (!immortal) liveObjects.fetch_add(1, std::memory_order_relaxed);
}

CFObject::~CFObject() {
    if (!immortal) liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

long liveObjectCount() { return liveObjects.load(); }

}  // namespace cf

using namespace cf;

CFTypeRef CFRetain(CFTypeRef ref) {
    if (ref != nullptr && !object(ref)->immortal)
        mutableObject(ref)->retainCount.fetch_add(1, std::memory_order_relaxed);
    return ref;
}

void CFRelease(CFTypeRef ref) {
    if (ref == nullptr || object(ref)->immortal) return;
    if (mutableObject(ref)->retainCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete mutableObject(ref);
}

CFIndex CFGetRetainCount(CFTypeRef ref) {
    if (ref == nullptr) return 0;
    return object(ref)->immortal ? LONG_MAX : object(ref)->retainCount.load();
}

CFTypeID CFGetTypeID(CFTypeRef ref) { return ref ? object(ref)->typeID : 0; }

Boolean CFEqual(CFTypeRef a, CFTypeRef b) {
    if (a == b) return true;
    if (a == nullptr || b == nullptr) return false;
    if (object(a)->typeID != object(b)->typeID) return false;
    return object(a)->equals(*object(b));
}

CFHashCode CFHash(CFTypeRef ref) { return ref ? object(ref)->hash() : 0; }

CFIndex StandInLiveObjectCount(void) { return liveObjectCount(); }
