// VSTPlugIn's FXP/FXB operations: the byte formats live in FxCodec.
#include "FxpFxb.h"
#include "VSTPlugIn.h"
#include "VSTPlugInAccess.h"

namespace tandem {

std::vector<unsigned char> VSTPlugIn::createFXP() {
    VSTPlugInAccess access(*this);
    return FxCodec(access).createFXP();
}

std::vector<unsigned char> VSTPlugIn::createFXB() {
    VSTPlugInAccess access(*this);
    return FxCodec(access).createFXB();
}

unsigned char* VSTPlugIn::writeFxCk(unsigned char* destination) {
    VSTPlugInAccess access(*this);
    return FxCodec(access).writeFxCk(destination);
}

bool VSTPlugIn::loadFXPOrFXB(size_t size, const unsigned char* bytes) {
    VSTPlugInAccess access(*this);
    return FxCodec(access).loadFXPOrFXB(size, bytes);
}

const unsigned char* VSTPlugIn::readFxCk(const unsigned char* position, const unsigned char* end, bool& ok) {
    VSTPlugInAccess access(*this);
    return FxCodec(access).readFxCk(position, end, ok);
}

const unsigned char* VSTPlugIn::readBigInt32(const unsigned char* position, const unsigned char* end, int32_t& value) {
    return FxCodec::readBigInt32(position, end, value);
}

}  // namespace tandem
