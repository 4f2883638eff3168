// The editor's modal file choosers: open one file, save one file. The choosers sit behind
// the small FilePanels interface; the desktop one runs zenity, tests script their own.
#pragma once

#include <functional>
#include <string>
#include <vector>

// What the user is asked for.
struct FilePanelRequest {
    bool save = false;               // a save panel (may create folders), else an open panel
    std::string start;               // a folder, or a file whose folder the panel opens in
    std::vector<std::string> types;  // accepted extensions without the dot; at least one
    std::string title;
};

class FilePanels {
public:
    virtual ~FilePanels() = default;
    // Runs the panel modally. True and the chosen path when the user confirmed a file;
    // false, with `chosen` untouched, when the panel was cancelled or could not run.
    virtual bool run(const FilePanelRequest& request, std::string& chosen) = 0;
};

// The desktop's chooser: zenity, started without a shell, its answer read from its output.
class ZenityFilePanels : public FilePanels {
public:
    explicit ZenityFilePanels(std::string program = "zenity") : program(std::move(program)) {}

    bool run(const FilePanelRequest& request, std::string& chosen) override;

    // The chooser's command line (program first).
    std::vector<std::string> arguments(const FilePanelRequest& request) const;
    // A pattern matching the extension in any letter case ("*.[sS][yY][xX]").
    static std::string caseFreePattern(const std::string& extension);

    // The window the panel is kept above (0: none).
    void setParentWindow(unsigned long window) { parentWindow = window; }
    // Extra "NAME=value" settings for the chooser's environment.
    void setEnvironment(std::vector<std::string> settings) { environment = std::move(settings); }
    // Called about ten times a second while the panel is open (may be empty).
    void setWhileWaiting(std::function<void()> hook) { whileWaiting = std::move(hook); }
    // A panel still open after this many milliseconds is closed as cancelled (0: never).
    void setTimeout(int milliseconds) { timeoutMs = milliseconds; }

private:
    std::string program;
    unsigned long parentWindow = 0;
    std::vector<std::string> environment;
    std::function<void()> whileWaiting;
    int timeoutMs = 0;
};

// The panels used by the functions below; null restores the desktop's chooser.
FilePanels& currentFilePanels();
void setFilePanels(FilePanels* panels);
// The desktop chooser used when no other panels are set.
ZenityFilePanels& desktopFilePanels();

// Open-file panel with a zero-terminated list of extensions (at least one), or with one.
// True when the user chose a file: its path, cut to size - 1 bytes, is in `result`.
// A cancelled panel returns false and leaves `result` as it was.
bool myOpenSingleFile(const char* start, const char* const* fileTypes, const char* title, char* result, int size);
bool myOpenSingleFile(const char* start, const char* fileType, const char* title, char* result, int size);
// Save panel with one extension; a name confirmed without it gets it appended.
bool mySaveSingleFile(const char* start, const char* fileType, const char* title, char* result, int size);
