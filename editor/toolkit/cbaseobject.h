// Reference counting shared by views and bitmaps (VSTGUI's remember/forget protocol).
#pragma once

#include <cstdint>

namespace VSTGUI {

class CBaseObject {
public:
    CBaseObject() { ++liveObjects(); }
    CBaseObject(const CBaseObject&) : CBaseObject() {}
    CBaseObject& operator=(const CBaseObject&) = delete;
    virtual ~CBaseObject() { --liveObjects(); }

    void remember() { ++refCount; }
    // Drops one reference; the last one deletes the object.
    void forget() {
        if (--refCount == 0) delete this;
    }
    int32_t getNbReference() const { return refCount; }

    // Number of toolkit objects alive in the process; lets tests prove nothing leaks.
    static int64_t& liveObjects() {
        static int64_t count = 0;
        return count;
    }

private:
    int32_t refCount = 1;
};

}  // namespace VSTGUI
