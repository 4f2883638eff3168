// A careless or hostile host, through the built .so as a host loads it: absurd values on every
// parameter index never crash the effect, and what it renders stays finite and bounded. (Random
// state chunks are the chunk fuzz target's, whose seeds run with the tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "TestHost.h"
#include "VstHost.h"

using namespace halvorax;

namespace {

// Sixteen voices at full level peak at about 6.3 inside the engine, and the master volume's
// gain is at most 2: anything past 16 is a fault, not a loud patch.
constexpr float kBound = 16.0f;

class HostileHost : public ::testing::Test {
protected:
    void SetUp() override {
        test::isolateDataHome();
        std::string error;
        plugin = HostedPlugin::load(HALVORAX_SO_PATH, error);
        ASSERT_TRUE(plugin) << error;
        plugin->start(44100.0, 512);
    }

    // Keys from the bottom to the top of the keyboard held for a few blocks, then released;
    // the largest magnitude rendered, or infinity for a non-finite sample.
    float playNotes() {
        std::vector<HostedPlugin::Midi> on, off;
        for (unsigned char key : {0, 24, 60, 67, 96, 127}) {
            on.push_back({0, {0x90, key, 127}});
            off.push_back({0, {0x80, key, 0}});
        }
        float peak = 0.0f;
        for (int b = 0; b < 8; ++b) {
            if (b == 0) plugin->sendMidi(on);
            if (b == 6) plugin->sendMidi(off);
            std::vector<float> left(512), right(512);
            float* outputs[2] = {left.data(), right.data()};
            plugin->process(outputs, 512);
            for (int n = 0; n < 512; ++n) {
                if (!std::isfinite(left[n]) || !std::isfinite(right[n])) return std::numeric_limits<float>::infinity();
                peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
            }
        }
        return peak;
    }

    std::unique_ptr<HostedPlugin> plugin;
};

TEST_F(HostileHost, AbsurdValuesOnEveryIndex) {
    const float values[] = {-1000.0f, 1000.0f, 1e30f, -1e30f, -3.0f, 3.0f, std::numeric_limits<float>::denorm_min()};
    AEffect* e = plugin->effect();
    for (float value : values) {
        for (int index = 0; index < 128; ++index) {
            const float before = e->getParameter(e, index);
            e->setParameter(e, index, value);
            EXPECT_LE(playNotes(), kBound) << "index " << index << " = " << value;
            e->setParameter(e, index, before);
        }
        for (int index = 0; index < 128; ++index) e->setParameter(e, index, value);
        EXPECT_LE(playNotes(), kBound) << "every index = " << value;
    }
}

}  // namespace
