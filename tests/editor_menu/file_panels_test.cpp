// The file panels: the chooser's command line, how its answer is read, and what the
// panel functions hand back to their callers. A stand-in program plays zenity.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "MenuTestSupport.h"

namespace halvorax::test {
namespace {

// A program that records its arguments (zero-separated) and environment, then answers
// what FAKE_ANSWER says with exit status FAKE_CODE.
constexpr const char* kFakeChooser = R"(#!/bin/sh
printf '%s\0' "$@" > "$FAKE_ARGS"
printf 'GDK_BACKEND=%s\0EXTRA=%s\0' "$GDK_BACKEND" "$FAKE_EXTRA" >> "$FAKE_ARGS"
if [ -n "$FAKE_HANG" ]; then exec sleep 30; fi
printf '%s' "$FAKE_ANSWER"
exit "${FAKE_CODE:-0}"
)";

class ZenityPanelsTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        touch("chooser.sh", kFakeChooser);
        chmod(path("chooser.sh").c_str(), 0755);
        panels = std::make_unique<ZenityFilePanels>(path("chooser.sh"));
    }
    void answer(const std::string& text, int code, std::vector<std::string> more = {}) {
        more.push_back("FAKE_ARGS=" + path("args"));
        more.push_back("FAKE_ANSWER=" + text);
        more.push_back("FAKE_CODE=" + std::to_string(code));
        panels->setEnvironment(more);
    }
    std::vector<std::string> recorded() const {
        std::ifstream in(root / "args", std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> args;
        for (std::size_t start = 0; start < all.size();) {
            const std::size_t end = all.find('\0', start);
            args.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return args;
    }

    std::unique_ptr<ZenityFilePanels> panels;
};

TEST_F(ZenityPanelsTest, CommandLineCarriesTitleStartFilterAndSaveMode) {
    fs::create_directory(root / "patches");
    FilePanelRequest open{false, path("patches"), {"repatch"}, "Load Halvorax Patch"};
    ZenityFilePanels zenity;
    EXPECT_EQ(zenity.arguments(open),
              (std::vector<std::string>{"zenity", "--file-selection", "--modal", "--title=Load Halvorax Patch",
                                        "--filename=" + path("patches") + "/",
                                        "--file-filter=.repatch | *.[rR][eE][pP][aA][tT][cC][hH]"}));

    FilePanelRequest save{true, path("patches/Bass.repatch"), {"repatch"}, "Save Halvorax Patch"};
    zenity.setParentWindow(0x2a00003);
    EXPECT_EQ(
        zenity.arguments(save),
        (std::vector<std::string>{"zenity", "--file-selection", "--modal", "--title=Save Halvorax Patch", "--save",
                                  "--confirm-overwrite", "--filename=" + path("patches/Bass.repatch"),
                                  "--file-filter=.repatch | *.[rR][eE][pP][aA][tT][cC][hH]", "--attach=44040195"}));

    FilePanelRequest two{false, "", {"syx", "mid2"}, "t"};
    const auto args = ZenityFilePanels("z").arguments(two);
    EXPECT_EQ(args.back(), "--file-filter=.syx, .mid2 | *.[sS][yY][xX] *.[mM][iI][dD]2");
    EXPECT_EQ(std::count_if(args.begin(), args.end(), [](auto& a) { return a.rfind("--filename", 0) == 0; }), 0);
}

TEST_F(ZenityPanelsTest, ArgumentsReachTheChooserUnchangedWithoutAShell) {
    answer(path("x.repatch") + "\n", 0, {"FAKE_EXTRA=yes"});
    const std::string title = "It's \"$HOME\" `id`; rm -rf * \\ & | <x>";
    const std::string start = path("folder with 'quotes' and $dollar");
    FilePanelRequest request{false, start, {"repatch"}, title};
    std::string chosen;
    ASSERT_TRUE(panels->run(request, chosen));
    EXPECT_EQ(chosen, path("x.repatch"));

    std::vector<std::string> expected = panels->arguments(request);
    expected.erase(expected.begin());  // $0 is not among "$@"
    expected.push_back(getenv("DISPLAY") ? "GDK_BACKEND=x11" : "GDK_BACKEND=");
    expected.push_back("EXTRA=yes");
    EXPECT_EQ(recorded(), expected);
}

TEST_F(ZenityPanelsTest, TheFirstLineOfASuccessfulAnswerIsThePath) {
    std::string chosen = "unchanged";
    FilePanelRequest request{false, "", {"syx"}, "t"};

    answer("/a path/with spaces.syx", 0);  // no newline at the end
    ASSERT_TRUE(panels->run(request, chosen));
    EXPECT_EQ(chosen, "/a path/with spaces.syx");

    answer("/first.syx\n/second.syx\n", 0);
    ASSERT_TRUE(panels->run(request, chosen));
    EXPECT_EQ(chosen, "/first.syx");

    chosen = "unchanged";
    answer("", 1);  // cancelled
    EXPECT_FALSE(panels->run(request, chosen));
    answer("/x.syx\n", 1);
    EXPECT_FALSE(panels->run(request, chosen));
    answer("\n", 0);  // confirmed nothing
    EXPECT_FALSE(panels->run(request, chosen));
    answer("/x.syx\n", -1);
    EXPECT_FALSE(panels->run(request, chosen));
    EXPECT_EQ(chosen, "unchanged");
}

TEST_F(ZenityPanelsTest, AMissingOrHangingChooserCountsAsCancelled) {
    std::string chosen = "unchanged";
    FilePanelRequest request{false, "", {"syx"}, "t"};
    EXPECT_FALSE(ZenityFilePanels(path("no-such-chooser")).run(request, chosen));

    answer("/x.syx\n", 0, {"FAKE_HANG=1"});
    int ticks = 0;
    panels->setWhileWaiting([&] { ++ticks; });
    panels->setTimeout(400);
    EXPECT_FALSE(panels->run(request, chosen));
    EXPECT_GT(ticks, 0);  // the caller's loop kept turning while it waited
    EXPECT_EQ(chosen, "unchanged");
}

// ---------------------------------------------------------------------------------------
// The panel functions over scripted panels (the requests the patch menu makes: its tests)

TEST(PanelFunctions, ACancelledPanelLeavesTheBufferAlone) {
    ScriptedFilePanels panels;
    panels.cancel();
    char result[16] = "keep me";
    EXPECT_FALSE(myOpenSingleFile("/", "repatch", "t", result, sizeof result));
    EXPECT_FALSE(mySaveSingleFile("/", "repatch", "t", result, sizeof result));  // no answer left
    EXPECT_STREQ(result, "keep me");

    const char* none[] = {nullptr};
    panels.confirm("/x.repatch");
    EXPECT_FALSE(myOpenSingleFile("/", none, "t", result, sizeof result));  // needs a type
    EXPECT_FALSE(myOpenSingleFile("/", "repatch", "t", nullptr, 16));
    EXPECT_FALSE(myOpenSingleFile("/", "repatch", "t", result, 0));
    EXPECT_TRUE(panels.requests.size() == 2u);  // the refused calls asked nobody
    EXPECT_STREQ(result, "keep me");
}

TEST(PanelFunctions, LongPathsAreCutToTheBuffer) {
    ScriptedFilePanels panels;
    const std::string longPath = "/" + std::string(2000, 'p') + ".repatch";
    panels.confirm(longPath);
    char result[1024 + 8];
    std::memset(result, '#', sizeof result);
    ASSERT_TRUE(myOpenSingleFile("/", "repatch", "t", result, 1024));
    EXPECT_EQ(std::strlen(result), 1023u);
    EXPECT_EQ(std::string(result), longPath.substr(0, 1023));
    EXPECT_EQ(result[1024], '#');

    panels.confirm("/abc.repatch");
    char one[1] = {'#'};
    ASSERT_TRUE(myOpenSingleFile("/", "repatch", "t", one, 1));
    EXPECT_EQ(one[0], 0);
}

TEST(PanelFunctions, SavingAddsTheExtensionOnlyWhenItIsMissing) {
    ScriptedFilePanels panels;
    char result[1024];
    panels.confirm("/p/Bass");
    ASSERT_TRUE(mySaveSingleFile("/p/", "repatch", "Save Halvorax Patch", result, sizeof result));
    EXPECT_STREQ(result, "/p/Bass.repatch");
    EXPECT_TRUE(panels.requests[0].save);
    EXPECT_EQ(panels.requests[0].title, "Save Halvorax Patch");

    for (const char* given : {"/p/Bass.REPATCH", "/p/Bass.repatch"}) {
        panels.confirm(given);
        ASSERT_TRUE(mySaveSingleFile("/p/", "repatch", "t", result, sizeof result));
        EXPECT_STREQ(result, given);
    }
    panels.confirm("/p.d/Bass");
    ASSERT_TRUE(mySaveSingleFile("/p/", "repatch", "t", result, sizeof result));
    EXPECT_STREQ(result, "/p.d/Bass.repatch");
}

TEST(PanelFunctions, APanelAskedForWhileOneIsOpenIsRefused) {
    ScriptedFilePanels panels;
    panels.confirm("/outer.repatch");
    bool innerResult = true;
    panels.duringRun = [&] {
        panels.duringRun = nullptr;
        char inner[64];
        innerResult = myOpenSingleFile("/", "repatch", "t", inner, sizeof inner);
    };
    char result[64];
    ASSERT_TRUE(myOpenSingleFile("/", "repatch", "t", result, sizeof result));
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(panels.requests.size(), 1u);
}

}  // namespace
}  // namespace halvorax::test
