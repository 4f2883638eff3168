// The host side of a hosted VST 2.4 effect: what the effect's audioMaster requests are
// answered with. The Audio Unit component is the one implementation.
#pragma once

#include "VstAbi.h"

namespace tandem {

class VSTPlugIn;

class VSTHost {
public:
    virtual void getVendor(VSTPlugIn& plugin, char* text) = 0;
    virtual void getProduct(VSTPlugIn& plugin, char* text) = 0;
    virtual int getVersion(VSTPlugIn& plugin) = 0;
    virtual bool canDo(VSTPlugIn& plugin, const char* text) = 0;
    virtual VstTimeInfo* getTimeInfo(VSTPlugIn& plugin, int filter) = 0;
    virtual void beginEdit(VSTPlugIn& plugin, int index) = 0;
    virtual void automate(VSTPlugIn& plugin, int index, float value) = 0;
    virtual void endEdit(VSTPlugIn& plugin, int index) = 0;
    virtual bool isIOPinConnected(VSTPlugIn& plugin, bool isInput, int pin) = 0;
    virtual void idle(VSTPlugIn& plugin) = 0;
    virtual void updateDisplay(VSTPlugIn& plugin) = 0;
    virtual void resizeWindow(VSTPlugIn& plugin, int width, int height) = 0;
    virtual ~VSTHost() = default;
};

}  // namespace tandem
