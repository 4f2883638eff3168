#include "JackTestSupport.h"

#include <fcntl.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

namespace halvorax::test {

// ---------------------------------------------------------------------------------------
// Folders and files

PrivateFolders::PrivateFolders() {
    setenv("XDG_CONFIG_HOME", (directory / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (directory / "data").c_str(), 1);
    setenv("HALVORAX_RESOURCES", HALVORAX_BUNDLE_PATH "/Contents/Resources", 1);
    statePath = (directory / "config/Brindlecove/Halvorax/standalone.state").string();
}

// ---------------------------------------------------------------------------------------
// Child processes

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logFile) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    pid = fork();
    if (pid != 0) return;
    // The child: only calls that are safe after fork in a threaded program.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    execv(args[0], args.data());
    _exit(127);
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

void ChildProcess::signal(int number) const {
    if (pid > 0) kill(pid, number);
}

bool ChildProcess::running() {
    if (pid <= 0 || status != -1) return false;
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) == 0) return true;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
    return false;
}

int ChildProcess::waitExit(double seconds) {
    waitFor(seconds, [&] { return !running(); });
    return status >= 0 && status < 1000 ? status : -1;
}

// ---------------------------------------------------------------------------------------
// The private server

JackServer::JackServer(const std::string& directory) {
    static int counter = 0;
    serverName = "halvotest-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    setenv("JACK_DEFAULT_SERVER", serverName.c_str(), 1);
    if (access("/usr/bin/jackd", X_OK) != 0) {
        whyNot = "jackd is not installed (package jackd2)";
        return;
    }
    const std::string log = directory + "/jackd.log";
    jackd = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/bin/jackd", "--no-realtime", "-n", serverName,
                                                                    "-d", "dummy", "-r", "44100", "-p", "256"},
                                           log);
    const auto quiet = [](const char*) {};
    jack_set_error_function(quiet);
    jack_set_info_function(quiet);
    // Ready once a client can join; a slow machine gets its time, a failed start ends the wait.
    isReady = waitFor(20.0,
                      [&] {
                          if (!jackd->running()) return true;
                          jack_status_t status{};
                          jack_client_t* probe = jack_client_open("halvotest-probe", JackNoStartServer, &status);
                          if (probe == nullptr) return false;
                          jack_client_close(probe);
                          return true;
                      }) &&
              jackd->running();
    if (!isReady) {
        whyNot = "jackd -d dummy did not start: " + readText(log);
        stop();
    }
}

JackServer::~JackServer() {
    stop();
    // Clients still connected when a server goes away leave their semaphores behind.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error))
        if (entry.path().filename().string().find("_" + serverName + "_") != std::string::npos)
            std::filesystem::remove(entry.path(), error);
}

void JackServer::stop() {
    if (!jackd) return;
    jackd->signal(SIGTERM);
    jackd->waitExit(10.0);
    jackd.reset();  // killed and reaped if it did not end
    isReady = false;
}

// ---------------------------------------------------------------------------------------
// The test client

PlayAndRecord::~PlayAndRecord() {
    if (sender) jack_client_close(sender);
    if (recorder) jack_client_close(recorder);
}

bool PlayAndRecord::open(std::string& error) {
    jack_status_t status{};
    sender = jack_client_open("halvotest-send", JackNoStartServer, &status);
    recorder = jack_client_open("halvotest-record", JackNoStartServer, &status);
    if (!sender || !recorder) {
        error = "cannot open the test clients";
        return false;
    }
    midiOut = jack_port_register(sender, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    audioIn[0] = jack_port_register(recorder, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    audioIn[1] = jack_port_register(recorder, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(sender, onSend, this);
    jack_set_process_callback(recorder, onRecord, this);
    jack_set_xrun_callback(recorder, onXrun, this);
    if (jack_activate(sender) != 0 || jack_activate(recorder) != 0) {
        error = "cannot activate the test clients";
        return false;
    }
    return true;
}

bool PlayAndRecord::connect(const std::string& instrument, double seconds) {
    const std::string midiIn = instrument + ":midi_in";
    const std::string out1 = instrument + ":out_1", out2 = instrument + ":out_2";
    // The ports exist before the instrument is active, and only then can they be connected.
    const auto linked = [](int result) { return result == 0 || result == EEXIST; };
    return waitFor(seconds, [&] {
        return linked(jack_connect(sender, jack_port_name(midiOut), midiIn.c_str())) &&
               linked(jack_connect(recorder, out1.c_str(), jack_port_name(audioIn[0]))) &&
               linked(jack_connect(recorder, out2.c_str(), jack_port_name(audioIn[1])));
    });
}

bool PlayAndRecord::waitCycles(long count, double seconds) {
    const long target = cycles.load() + count;
    return waitFor(seconds, [&] { return cycles.load() >= target; });
}

bool PlayAndRecord::waitConnected(const std::string& from, const std::string& to, double seconds) {
    return waitFor(seconds, [&] {
        jack_port_t* port = jack_port_by_name(recorder, from.c_str());
        return port && jack_port_connected_to(port, to.c_str());
    });
}

bool PlayAndRecord::setPeriod(int frames) {
    if (jack_set_buffer_size(recorder, frames) != 0) return false;
    return waitFor(30.0, [&] { return lastPeriod.load() == frames; }) && waitCycles(4, 30.0);
}

bool PlayAndRecord::play(const std::vector<TimedMessage>& messages, long frames, double seconds) {
    schedule = messages;
    wanted = frames;
    recorded[0].assign(frames, 0.0f);
    recorded[1].assign(frames, 0.0f);
    recordedFrames = 0;
    sendFrame = -1;
    xrunCount = 0;  // only those while playing count
    armed = true;
    const bool done = waitFor(seconds, [&] { return recordedFrames.load() >= wanted; });
    armed = false;
    return done;
}

int PlayAndRecord::onSend(jack_nframes_t frames, void* self) {
    auto* client = static_cast<PlayAndRecord*>(self);
    void* buffer = jack_port_get_buffer(client->midiOut, frames);
    jack_midi_clear_buffer(buffer);
    // Starts once the recorder has begun, so the recording holds the first note whole.
    if (!client->armed || (client->sendFrame < 0 && client->recordedFrames.load() == 0)) return 0;
    if (client->sendFrame < 0) client->sendFrame = 0;
    for (const TimedMessage& m : client->schedule)
        if (m.frame >= client->sendFrame && m.frame < client->sendFrame + static_cast<long>(frames))
            jack_midi_event_write(buffer, static_cast<jack_nframes_t>(m.frame - client->sendFrame), m.bytes, m.size);
    client->sendFrame += frames;
    return 0;
}

int PlayAndRecord::onRecord(jack_nframes_t frames, void* self) {
    auto* client = static_cast<PlayAndRecord*>(self);
    client->cycles.fetch_add(1);
    client->lastPeriod.store(frames);
    const long done = client->recordedFrames.load();
    if (!client->armed || done >= client->wanted) return 0;
    const long take = std::min<long>(frames, client->wanted - done);
    for (int c = 0; c < 2; ++c) {
        const auto* in = static_cast<const float*>(jack_port_get_buffer(client->audioIn[c], frames));
        std::copy(in, in + take, client->recorded[c].begin() + done);
    }
    client->recordedFrames.store(done + take);
    return 0;
}

int PlayAndRecord::onXrun(void* self) {
    static_cast<PlayAndRecord*>(self)->xrunCount.fetch_add(1);
    return 0;
}

}  // namespace halvorax::test
