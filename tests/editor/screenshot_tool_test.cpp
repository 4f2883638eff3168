// halvorax-render --screenshot: the whole panel drawn off-screen into a PNG, no X server.
#include <gtest/gtest.h>

#include <cairo.h>

#include <string>

#include "../support/TestFiles.h"

namespace {

class ScreenshotToolTest : public ::testing::Test {
protected:
    int run(const std::string& arguments) {
        return halvorax::test::runCommand("env -u DISPLAY XDG_DATA_HOME='" + folder.file("data") + "' '" +
                                          HALVORAX_RENDER_PATH + "' " + arguments)
            .status;
    }
    halvorax::test::TempFolder folder{"halvorax-shot"};
};

TEST_F(ScreenshotToolTest, WritesThePanelWithThePatchShownInTheDisplay) {
    const std::string png = folder.file("panel.png");
    const std::string patch = std::string(HALVORAX_SOURCE_DIR) + "/resources/patches/Brass Swell.repatch";
    ASSERT_EQ(run("--screenshot '" + png + "' --patch '" + patch + "'"), 0);
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 990);
    EXPECT_EQ(cairo_image_surface_get_height(image), 430);
    cairo_surface_destroy(image);
}

TEST_F(ScreenshotToolTest, AMissingPatchFailsTheRun) {
    EXPECT_EQ(run("--screenshot '" + folder.file("x.png") + "' --patch /nonexistent.repatch"), 1);
    EXPECT_EQ(run("--screenshot '" + folder.file("y.png") + "' extra-argument"), 2);
}

}  // namespace
