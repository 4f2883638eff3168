// halvorax-render and halvorax-auhost given what a careless user or a damaged file gives them:
// each refusal is one line on stderr, a non-zero exit, and no output file left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "../support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

using halvorax::test::CommandResult;

// Runs a shell command line with a data home of the test's own, kept while this program runs.
CommandResult run(const std::string& commandLine) {
    static const halvorax::test::TempFolder home("halvorax-tools");
    return halvorax::test::runCommand("XDG_DATA_HOME=" + home.path.string() + " " + commandLine);
}

// A scratch folder with a FIFO and a place for outputs.
class ToolFolder : public ::testing::Test {
protected:
    void SetUp() override { mkfifo((folder / "fifo").c_str(), 0600); }
    std::string at(const char* name) const { return (folder / name).string(); }
    std::size_t fileCount() const { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }
    halvorax::test::TempFolder scratch{"halvorax-tool-io"};
    const fs::path folder = scratch.path;
};

const std::string kRender = HALVORAX_RENDER_PATH, kAuHost = HALVORAX_AUHOST_PATH, kBundle = HALVORAX_BUNDLE_PATH;
const std::string kSong = std::string(HALVORAX_SOURCE_DIR) + "/resources/range.mid";

struct BadLine {
    const char* tool;       // "render" or "auhost"
    const char* arguments;  // before BUNDLE; "@" stands for the scratch folder
    const char* expected;   // a part of the one-line error
};

void PrintTo(const BadLine& line, std::ostream* out) { *out << line.tool << ' ' << line.arguments; }

class BadCommandLine : public ToolFolder, public ::testing::WithParamInterface<BadLine> {};

TEST_P(BadCommandLine, IsRefusedInOneLineAndWritesNothing) {
    std::string arguments = GetParam().arguments;
    for (std::size_t at = arguments.find('@'); at != std::string::npos; at = arguments.find('@'))
        arguments.replace(at, 1, folder.string());
    const bool render = std::string(GetParam().tool) == "render";
    const std::size_t before = fileCount();
    const CommandResult result =
        run((render ? kRender : kAuHost) + " " + arguments + " " + kBundle + " " + kSong + " " + at("out.wav"));
    EXPECT_NE(result.status, 0) << result.output;
    EXPECT_LT(result.status, 128) << "ended by a signal: " << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_NE(result.output.find(GetParam().expected), std::string::npos) << result.output;
    EXPECT_EQ(fileCount(), before);
}

// Every number goes through one parser: each of its refusals (not a number, not finite, out of
// range, not whole) once, and each option's range and wiring once.
INSTANTIATE_TEST_SUITE_P(
    Tools, BadCommandLine,
    ::testing::Values(
        BadLine{"render", "--tail nan", "--tail wants a number from 0 to 3600"},
        BadLine{"render", "--tail 1e9", "--tail"}, BadLine{"render", "-t -1", "--tail"},
        BadLine{"render", "-r 1e12", "--rate"}, BadLine{"render", "-b 0", "--block"},
        BadLine{"render", "-b 12x", "--block"}, BadLine{"render", "--set 14=abc", "--set value"},
        BadLine{"render", "--set =5", "--set index"}, BadLine{"render", "--set 14=2", "--set value"},
        BadLine{"render", "--set 1000=0.5", "the plug-in has"},
        BadLine{"render", "--patch-seconds inf", "--patch-seconds"},
        BadLine{"render", "--patch @/fifo", "not a regular file"},
        BadLine{"render", "--frobnicate", "unknown option --frobnicate"}, BadLine{"auhost", "-t nan", "--tail"},
        BadLine{"auhost", "-r 1e12", "--rate"}, BadLine{"auhost", "-p 14=abc", "--param value wants a finite number"},
        BadLine{"auhost", "-p =5", "--param index"}, BadLine{"auhost", "-p 14=1e9", "--param 14 wants a value from"},
        BadLine{"auhost", "-p 100000=0.5", "no such parameter"},
        BadLine{"auhost", "-c @/missing", "cannot read folder"}, BadLine{"auhost", "-l @", "not a regular file"},
        BadLine{"auhost", "-l /dev/zero", "not a regular file"}, BadLine{"auhost", "-l @/fifo", "not a regular file"}),
    [](const auto& info) {
        std::string name = std::string(info.param.tool) + "_" + info.param.arguments;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(ToolFolder, PluginFileNamesWithoutASlashAreNotSearchedOnTheLibraryPath) {
    const CommandResult result = run(kRender + " --info libm.so.6");
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.output.find("no such plug-in file: ./libm.so.6"), std::string::npos) << result.output;
}

// A track without End-of-Track made libsmf assert; an absurd song length ran out of memory.
struct HostileSong {
    const char* name;
    std::string bytes;
    const char* expected;
};

std::string header(int tracks, int division) {
    return std::string("MThd\0\0\0\6\0\1\0", 11) + char(tracks) + char(division >> 8) + char(division & 0xff);
}

std::string track(const std::string& events) {
    const auto n = events.size();
    return std::string("MTrk") + char(n >> 24) + char(n >> 16) + char(n >> 8) + char(n) + events;
}

const std::string kEnd("\0\xff\x2f\0", 4);

void PrintTo(const HostileSong& song, std::ostream* out) { *out << song.name; }

class HostileMidi : public ToolFolder, public ::testing::WithParamInterface<HostileSong> {};

TEST_P(HostileMidi, IsRefusedByBothTools) {
    halvorax::test::writeText(folder / "song.mid", GetParam().bytes);
    for (const std::string& tool : {kRender, kAuHost}) {
        const CommandResult result = run(tool + " " + kBundle + " " + at("song.mid") + " " + at("out.wav"));
        EXPECT_NE(result.status, 0) << tool << ": " << result.output;
        EXPECT_LT(result.status, 128) << tool << " ended by a signal: " << result.output;
        EXPECT_NE(result.output.find(GetParam().expected), std::string::npos) << tool << ": " << result.output;
        EXPECT_FALSE(fs::exists(folder / "out.wav"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, HostileMidi,
    ::testing::Values(
        HostileSong{"NoEndOfTrack", header(1, 480) + track(std::string("\0\x90\x3c\x64", 4)), "no End-of-Track"},
        HostileSong{
            "AnHourTooLong",
            header(1, 1) +
                track(std::string("\0\xff\x51\3\xff\xff\xff\0\x90\x3c\x64\xff\xff\xff\x7f\x80\x3c\0", 18) + kEnd),
            "at most 3600 s are rendered"},
        HostileSong{"TrackCutShort", header(1, 480) + track(std::string("\0\x90\x3c", 3)), "cut short"},
        HostileSong{"TrackMissing", header(2, 480) + track(kEnd), "track 2 of 2 is missing"},
        HostileSong{"ChunkPastTheEnd", header(1, 480) + "MTrk\0\0\1\0" + kEnd, "past the end"},
        HostileSong{"RunningStatusFirst", header(1, 480) + track(std::string("\0\x3c\x64", 3) + kEnd), "status"},
        HostileSong{"StatusInsideData", header(1, 480) + track(std::string("\0\x90\x3c\x90", 4) + kEnd), "top bit"},
        HostileSong{"SysexPastTheTrack", header(1, 480) + track(std::string("\0\xf0\x7f\x01", 4) + kEnd), "cut short"},
        HostileSong{"NoDivision", header(1, 0) + track(kEnd), "header"}),
    [](const auto& info) { return std::string(info.param.name); });

// A write that fails midway (here: past the file-size limit, as on a full disk) keeps the
// old file whole and leaves no temporary file behind.
TEST_F(ToolFolder, AFailedWriteKeepsTheOldFile) {
    const std::string old = "the previous output\n";
    halvorax::test::writeText(folder / "out.wav", old);
    halvorax::test::writeText(folder / "out.aupreset", old);
    run(kAuHost + " " + kBundle);  // the unit's first start writes its own files under the data home
    const std::string limited = "sh -c 'trap \"\" XFSZ; ulimit -f 2; exec \"$0\" \"$@\"' ";
    const CommandResult render = run(limited + kRender + " --tail 0 " + kBundle + " " + kSong + " " + at("out.wav"));
    const CommandResult save = run(limited + kAuHost + " -s " + at("out.aupreset") + " " + kBundle);
    for (const CommandResult& result : {render, save}) {
        EXPECT_NE(result.status, 0) << result.output;
        EXPECT_LT(result.status, 128) << result.output;
        EXPECT_NE(result.output.find("cannot write"), std::string::npos) << result.output;
    }
    for (const char* name : {"out.wav", "out.aupreset"})
        EXPECT_EQ(halvorax::test::readText(folder / name), old) << name;
    EXPECT_EQ(fileCount(), 3u);  // the two old files and the FIFO
}

}  // namespace
