#include "FilePanels.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

constexpr std::size_t kMaxAnswer = 64 * 1024;  // a path, never more; the rest is discarded

using Clock = std::chrono::steady_clock;

// A program run with its standard output captured: started with fork and exec, without a
// shell, so no argument is ever reinterpreted.
class CapturedRun {
public:
    CapturedRun(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
        // Everything the child needs is prepared before the fork: after it, only
        // async-signal-safe calls are allowed (the host may run other threads).
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        // A setting given here replaces the inherited one of the same name.
        for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        for (char** e = environ; e && *e; ++e)
            if (!overridden(*e, env)) envp.push_back(*e);
        envp.push_back(nullptr);
    }

    // Exit status of the program, or -1 when it could not be run or was stopped.
    int run(const std::function<void()>& whileWaiting, int timeoutMs, std::string& output) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return -1;
        const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
        const pid_t pid = fork();
        if (pid == 0) child(fds[1], devNull);
        close(fds[1]);
        if (devNull >= 0) close(devNull);
        if (pid < 0) {
            close(fds[0]);
            return -1;
        }
        const bool finished = readAll(fds[0], pid, whileWaiting, timeoutMs, output);
        close(fds[0]);
        if (!finished) stop(pid);
        const int status = reap(pid);
        return finished ? status : -1;
    }

private:
    static bool overridden(const char* setting, const std::vector<std::string>& env) {
        const char* equals = std::strchr(setting, '=');
        const std::size_t length = equals ? static_cast<std::size_t>(equals - setting) : std::strlen(setting);
        for (const std::string& e : env)
            if (e.size() > length && e[length] == '=' && e.compare(0, length, setting, length) == 0) return true;
        return false;
    }

    [[noreturn]] void child(int out, int devNull) {
        dup2(out, STDOUT_FILENO);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDERR_FILENO);  // toolkit warnings stay out of the host's log
        }
        // The host's open files (sockets, audio devices) are not the panel's business.
        syscall(SYS_close_range, 3u, ~0u, 0u);
        // Nor are the host's blocked or ignored signals: the chooser must be stoppable.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGCHLD, SIG_DFL);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }

    // Reads the program's output to its end; false when the deadline passed first.
    static bool readAll(int fd, pid_t pid, const std::function<void()>& whileWaiting, int timeoutMs,
                        std::string& output) {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[4096];
        for (;;) {
            if (timeoutMs > 0 && Clock::now() >= deadline) return false;
            pollfd p{fd, POLLIN, 0};
            const int ready = poll(&p, 1, 100);
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) {
                if (whileWaiting) whileWaiting();
                continue;
            }
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got == 0) return true;
            if (got < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                return true;
            }
            const std::size_t room = kMaxAnswer - std::min(kMaxAnswer, output.size());
            output.append(buffer, std::min<std::size_t>(room, static_cast<std::size_t>(got)));
        }
    }

    static void stop(pid_t pid) {
        kill(pid, SIGTERM);
        for (int i = 0; i < 20; ++i) {  // a second to go, then no more asking
            if (waitpid(pid, nullptr, WNOHANG) != 0) return;
            usleep(50 * 1000);
        }
        kill(pid, SIGKILL);
    }

    // The exit status; a host that ignores SIGCHLD leaves none to fetch, which counts as
    // success (the answer on the output decides then).
    static int reap(pid_t pid) {
        int status = 0;
        pid_t r;
        do r = waitpid(pid, &status, 0);
        while (r < 0 && errno == EINTR);
        if (r < 0) return errno == ECHILD ? 0 : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<char*> args;
    std::vector<char*> envp;
};

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool endsWithExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return strcasecmp(path.c_str() + dot + 1, extension.c_str()) == 0;
}

// Copies the path into the caller's buffer, cut to fit and terminated.
void copyResult(const std::string& path, char* result, int size) {
    const std::size_t length = std::min(path.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(result, path.data(), length);
    result[length] = 0;
}

FilePanels* chosenPanels = nullptr;
bool panelOpen = false;  // a panel is modal: a second one asked for meanwhile is refused

bool runPanel(FilePanelRequest request, char* result, int size) {
    if (result == nullptr || size < 1 || request.types.empty() || panelOpen) return false;
    panelOpen = true;
    std::string chosen;
    const bool confirmed = currentFilePanels().run(request, chosen) && !chosen.empty();
    panelOpen = false;
    if (!confirmed) return false;
    if (request.save && !endsWithExtension(chosen, request.types.front())) chosen += "." + request.types.front();
    copyResult(chosen, result, size);
    return true;
}

}  // namespace

std::string ZenityFilePanels::caseFreePattern(const std::string& extension) {
    std::string pattern = "*.";
    for (const char c : extension) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (lower == upper)
            pattern += c;
        else
            pattern += std::string("[") + lower + upper + "]";
    }
    return pattern;
}

std::vector<std::string> ZenityFilePanels::arguments(const FilePanelRequest& request) const {
    std::vector<std::string> argv{program, "--file-selection", "--modal", "--title=" + request.title};
    if (request.save) {
        argv.push_back("--save");
        argv.push_back("--confirm-overwrite");
    }
    // A folder opens inside it (zenity wants the trailing slash); a file opens in its folder
    // with the file selected, and a save panel suggests its name.
    if (!request.start.empty()) {
        std::string start = request.start;
        if (isFolder(start) && start.back() != '/') start += '/';
        argv.push_back("--filename=" + start);
    }
    std::string name, patterns;
    for (const std::string& type : request.types) {
        name += (name.empty() ? "" : ", ") + ("." + type);
        patterns += (patterns.empty() ? "" : " ") + caseFreePattern(type);
    }
    argv.push_back("--file-filter=" + name + " | " + patterns);
    if (parentWindow != 0) argv.push_back("--attach=" + std::to_string(parentWindow));
    return argv;
}

bool ZenityFilePanels::run(const FilePanelRequest& request, std::string& chosen) {
    std::vector<std::string> env;
    // The editor is an X11 window; the panel belongs on the same display.
    if (std::getenv("DISPLAY")) env.push_back("GDK_BACKEND=x11");
    env.insert(env.end(), environment.begin(), environment.end());

    std::string output;
    const int status = CapturedRun(arguments(request), env).run(whileWaiting, timeoutMs, output);
    if (status == 127) {
        std::printf("Could not run the file chooser:%s\n", program.c_str());
        std::fflush(stdout);
    }
    if (status != 0) return false;
    // One path, ended by a newline.
    const std::size_t end = output.find('\n');
    if (end != std::string::npos) output.resize(end);
    if (output.empty()) return false;
    chosen = output;
    return true;
}

ZenityFilePanels& desktopFilePanels() {
    static ZenityFilePanels panels;
    return panels;
}

FilePanels& currentFilePanels() { return chosenPanels ? *chosenPanels : desktopFilePanels(); }

void setFilePanels(FilePanels* panels) { chosenPanels = panels; }

bool myOpenSingleFile(const char* start, const char* const* fileTypes, const char* title, char* result, int size) {
    FilePanelRequest request;
    request.start = start ? start : "";
    request.title = title ? title : "";
    for (const char* const* type = fileTypes; type && *type; ++type) request.types.emplace_back(*type);
    return runPanel(std::move(request), result, size);
}

bool myOpenSingleFile(const char* start, const char* fileType, const char* title, char* result, int size) {
    const char* types[] = {fileType, nullptr};
    return myOpenSingleFile(start, types, title, result, size);
}

bool mySaveSingleFile(const char* start, const char* fileType, const char* title, char* result, int size) {
    FilePanelRequest request;
    request.save = true;
    request.start = start ? start : "";
    request.title = title ? title : "";
    if (fileType) request.types.emplace_back(fileType);
    return runPanel(std::move(request), result, size);
}
