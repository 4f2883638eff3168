// The factory patch library in resources/patches/ is data: every file must load, carry the
// default sound, and be exactly what SavePatch writes for it (so a load and save changes nothing).
#include <set>
#include <string>

#include "StateTestSupport.h"

namespace halvorax::test {
namespace {

const fs::path kLibrary = fs::path(HALVORAX_SOURCE_DIR) / "resources" / "patches";

using FactoryLibraryTest = StateTest;

TEST_F(FactoryLibraryTest, EveryFileLoadsAndSavesBackToTheSameBytes) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(kLibrary)) {
        const std::string file = entry.path().string();
        EXPECT_EQ(entry.path().extension(), ".repatch") << file;
        names.insert(entry.path().filename().string());
        InspectableEffect effect;
        ASSERT_TRUE(effect.LoadPatch(file.c_str())) << file;
        ASSERT_TRUE(effect.SavePatch(path("again.repatch").c_str()));
        EXPECT_EQ(readText(path("again.repatch")), readText(file)) << file;
    }
    EXPECT_GE(names.size(), 32u);
    EXPECT_EQ(names.count("RoriVerov1.repatch"), 1u);
}

}  // namespace
}  // namespace halvorax::test
