// A private JACK server, child processes bound to the test's life, and a JACK test client
// that plays MIDI into the instrument and records what comes out.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "../support/TestFiles.h"

namespace halvorax::test {

// A folder of the test's own, where the instrument (and an effect made by the test) keep
// their state and patches (XDG_CONFIG_HOME, XDG_DATA_HOME) and find the bundle's bitmaps and
// factory patches (HALVORAX_RESOURCES). Removed with everything in it at the end.
struct PrivateFolders {
    PrivateFolders();
    TempFolder root{"halvotest"};
    const std::filesystem::path& directory = root.path;
    std::string statePath;
};

// Polls `condition` every 20 ms; false when it has not come true within `seconds`.
template <typename Condition>
bool waitFor(double seconds, Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A child process that dies with the test (a parent that crashes leaves none behind);
// stdout and stderr go to `logFile`. Killed and reaped on destruction if still running.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& logFile);
    ~ChildProcess();
    void signal(int number) const;
    // The exit status, or -1 when it has not ended within `seconds` (or died by a signal).
    int waitExit(double seconds);
    bool running();

private:
    pid_t pid = -1;
    int status = -1;
};

// jackd with the dummy driver under a private name, which this process and its children
// use (JACK_DEFAULT_SERVER). `reason` says why it is not ready when it could not start.
class JackServer {
public:
    explicit JackServer(const std::string& directory);
    ~JackServer();
    bool ready() const { return isReady; }
    const std::string& reason() const { return whyNot; }
    void stop();

private:
    std::string serverName;
    std::string whyNot;
    bool isReady = false;
    std::unique_ptr<ChildProcess> jackd;
};

struct TimedMessage {
    long frame;  // from the first cycle of playing
    unsigned char bytes[16];
    std::size_t size = 3;
};

// Two clients: one sends MIDI into the instrument's input, the other records its outputs,
// so the graph runs sender -> instrument -> recorder within one cycle.
class PlayAndRecord {
public:
    ~PlayAndRecord();
    bool open(std::string& error);
    // Waits for the instrument's ports and connects them; false after `seconds`.
    bool connect(const std::string& instrument, double seconds);
    // Waits until port `from` feeds port `to` (full names); false after `seconds`.
    bool waitConnected(const std::string& from, const std::string& to, double seconds);
    // Asks the server for another period; true once the next cycles run with it.
    bool setPeriod(int frames);
    // Waits until `cycles` more process cycles have run (false after `seconds`).
    bool waitCycles(long cycles, double seconds);
    // Records `frames` frames, starting a cycle before the messages begin; false after `seconds`.
    bool play(const std::vector<TimedMessage>& messages, long frames, double seconds);

    std::vector<float> recorded[2];
    unsigned xruns() const { return xrunCount.load(); }

private:
    static int onSend(jack_nframes_t frames, void* self);
    static int onRecord(jack_nframes_t frames, void* self);
    static int onXrun(void* self);

    jack_client_t* sender = nullptr;
    jack_client_t* recorder = nullptr;
    jack_port_t* midiOut = nullptr;
    jack_port_t* audioIn[2] = {};
    std::vector<TimedMessage> schedule;
    std::atomic<bool> armed{false};
    std::atomic<long> recordedFrames{0};
    std::atomic<long> cycles{0};
    std::atomic<long> lastPeriod{0};
    std::atomic<unsigned> xrunCount{0};
    long sendFrame = -1;  // frames since the first cycle of playing (sender thread)
    long wanted = 0;
};

}  // namespace halvorax::test
