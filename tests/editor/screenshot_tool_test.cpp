// halvorax-render --screenshot: the whole panel drawn off-screen into a PNG, no X server.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class ScreenshotToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) / ("halvorax-shot-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    int run(const std::string& arguments) {
        const std::string command = "env -u DISPLAY XDG_DATA_HOME='" + (folder / "data").string() + "' '" +
                                    HALVORAX_RENDER_PATH + "' " + arguments + " > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path folder;
};

TEST_F(ScreenshotToolTest, WritesThePanelWithThePatchShownInTheDisplay) {
    const fs::path png = folder / "panel.png";
    const std::string patch = std::string(HALVORAX_SOURCE_DIR) + "/resources/patches/Brass Swell.repatch";
    ASSERT_EQ(run("--screenshot '" + png.string() + "' --patch '" + patch + "'"), 0);
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 990);
    EXPECT_EQ(cairo_image_surface_get_height(image), 430);
    cairo_surface_destroy(image);
}

TEST_F(ScreenshotToolTest, AMissingPatchFailsTheRun) {
    EXPECT_EQ(run("--screenshot '" + (folder / "x.png").string() + "' --patch /nonexistent.repatch"), 1);
    EXPECT_EQ(run("--screenshot '" + (folder / "y.png").string() + "' extra-argument"), 2);
}

}  // namespace
