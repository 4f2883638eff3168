// The patch menu: its fixed commands and toggles, the patch files of the patch folder,
// what each entry does, and stepping through the listed patches with the rocker.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DirList.h"
#include "FilePanels.h"
#include "HalvoGui.h"
#include "HalvoVST2.h"
#include "PlatformUtils.h"

namespace halvorax {

namespace {

constexpr const char* kPatchExtension = "repatch";
constexpr const char* kSysexExtension = "syx";
constexpr int kLoadEntry = 0, kSaveEntry = 1, kImportEntry = 3;
constexpr int kErrorHoldTicks = 100;
constexpr int kImportBlinkTicks = 50;
constexpr int kListRedrawTicks = 10;
constexpr const char* kLoadError = "Error loading patch!";
constexpr const char* kSaveError = "Error saving patch!";
constexpr const char* kImportError = "Not an Alpha Juno Sysex file";
constexpr const char* kExportError = "Error exporting sysex!";

// The parameters the four parameter toggles switch between 0 and 1.
constexpr int kAftertouchParam = 55, kRetrigDcoParam = 56, kRetrigLfoParam = 57, kFilterModeParam = 59;

// Adds an entry and returns its position (the entry count just before it was added).
int32_t addRecorded(VSTGUI::COptionMenu* menu, const char* title) {
    const int32_t position = menu->getNbEntries();
    menu->addEntry(title);
    return position;
}

void setEntryText(VSTGUI::COptionMenu* menu, int32_t position, const char* on, const char* off, bool state) {
    if (VSTGUI::CMenuItem* item = menu->getEntry(position)) {
        const char* text = state ? on : off;
        if (std::strcmp(item->getTitle(), text) != 0) item->setTitle(text);
    }
}

// Folder, a backslash and the file name. check_path makes the backslashes of the folder
// part "/"; the name is appended afterwards, as listed, since a backslash is an ordinary
// character of a file name here.
void joinPatchPath(char* path, std::size_t size, const char* folder, const char* name) {
    std::snprintf(path, size, "%s\\", folder);
    const std::size_t length = static_cast<std::size_t>(check_path(path));
    std::snprintf(path + length, size - length, "%s", name);
}

// Panels opened from the editor stay above its window.
void attachPanels(const VSTGUI::CFrame* frame) {
    desktopFilePanels().setParentWindow(frame ? frame->getSystemWindow() : 0);
}

}  // namespace

void HalvoGui::buildPatchMenu(VSTGUI::COptionMenu* menu) {
    if (menu == nullptr) return;
    menu->removeAllEntry();
    addRecorded(menu, "Load Patch");
    addRecorded(menu, "Save Patch");
    menu->addSeparator();
    addRecorded(menu, "Import Alpha Juno Sysex");
    menu->addSeparator();
    midiLearnItem = addRecorded(menu, "MIDI Learn: Off");
    showNameItem = addRecorded(menu, "Show patch name: On");
    menu->addSeparator();
    aftertouchItem = addRecorded(menu, "Aftertouch: On");
    retrigDcoItem = addRecorded(menu, "Retrigger DCO: On");
    retrigLfoItem = addRecorded(menu, "Retrigger LFO: On");
    filterTypeItem = addRecorded(menu, "Filter Type: Halvorax 1.0");
    menu->addSeparator();
    initPatchItem = addRecorded(menu, "Initialize Patch");
    // Added after the entries of old, which keep their positions.
    exportSysexItem = addRecorded(menu, "Export Sysex...");
    menu->addSeparator();
    if (frame) frame->addView(menu);  // no effect when it is attached already

    releasePatchList();
    patchList = new dirList;
    patchList->setPath(plugin->patchLibraryFolder().c_str());
    patchList->addExtension(kPatchExtension);
    patchList->setRecurse(true);
    patchList->setMaxDepth(1);  // the folders inside the patch folder, not theirs
    patchList->refresh();

    firstPatchItem = menu->getNbEntries();
    patchList->current = patchList->head;
    for (const dirEntry* entry = patchList->head; entry; entry = entry->next)
        if (entry->depth == 0 && !entry->isFolder) menu->addEntry(entry->name);
    // Sub-folders (imported banks) follow the files, each a sub-menu of its patches.
    firstFolderItem = menu->getNbEntries();
    for (const dirEntry* entry = patchList->head; entry; entry = entry->next) {
        if (entry->depth != 0 || !entry->isFolder) continue;
        VSTGUI::CMenuItem* item = menu->addEntry((std::string(entry->name) + "/").c_str());
        for (const dirEntry* file : folderPatches(entry->path)) item->addSubEntry(file->name);
    }
}

std::vector<dirEntry*> HalvoGui::folderPatches(const char* folder) const {
    std::vector<dirEntry*> files;
    if (patchList == nullptr || folder == nullptr) return files;
    for (dirEntry* entry = patchList->head; entry; entry = entry->next)
        if (!entry->isFolder && std::strcmp(entry->path, folder) == 0) files.push_back(entry);
    // The patch folder itself keeps the order the system lists it in; a sub-folder (a bank)
    // is stepped through by name, so its numbered tones come in order.
    if (std::strcmp(folder, patchList->path) != 0)
        std::sort(files.begin(), files.end(),
                  [](const dirEntry* a, const dirEntry* b) { return std::strcmp(a->name, b->name) < 0; });
    return files;
}

bool HalvoGui::loadListed(const dirEntry* entry) {
    char path[kSysexPathSize];
    joinPatchPath(path, sizeof path, entry->path, entry->name);
    if (plugin->LoadPatch(path)) {
        displayState = kDisplayNormal;
        return true;
    }
    setPatchDisplayText(kLoadError, kErrorHoldTicks);
    return false;
}

void HalvoGui::releasePatchList() {
    delete patchList;
    patchList = nullptr;
}

void HalvoGui::updatePatchMenuTexts() {
    if (frame == nullptr || patchMenu == nullptr) return;  // the menu lives with the window
    setEntryText(patchMenu, midiLearnItem, "Midi Learn: On", "Midi Learn: Off", plugin->getMidiLearn() != 0);
    setEntryText(patchMenu, showNameItem, "Show patch name: On", "Show patch name: Off", showPatchName != 0);
    setEntryText(patchMenu, aftertouchItem, "Aftertouch: On", "Aftertouch: Off",
                 plugin->getParameter(kAftertouchParam) > 0);
    setEntryText(patchMenu, retrigDcoItem, "Retrigger DCO: On", "Retrigger DCO: Off",
                 plugin->getParameter(kRetrigDcoParam) > 0);
    setEntryText(patchMenu, retrigLfoItem, "Retrigger LFO: On", "Retrigger LFO: Off",
                 plugin->getParameter(kRetrigLfoParam) > 0);
    setEntryText(patchMenu, filterTypeItem, "Filter Type: Alpha Juno", "Filter Type: Halvorax 1.0",
                 plugin->getParameter(kFilterModeParam) > 0);
}

void HalvoGui::patchStep(int step) {
    // The rocker steps through the folder of the current patch.
    const std::vector<dirEntry*> files = folderPatches(plugin->getPatchFolder());
    const auto found = std::find_if(files.begin(), files.end(), [this](const dirEntry* entry) {
        return std::strcmp(entry->name, plugin->getPatchFile()) == 0;
    });
    if (found == files.end()) return;  // the current patch is not one of the listed files
    const long position = (found - files.begin()) + step;
    dirEntry* target = position >= 0 && position < static_cast<long>(files.size()) ? files[position]
                       : step > 0                                                  ? files.front()
                                                                                   : files.back();  // wrap around
    patchList->current = target;
    if (loadListed(target) && frame) frame->setDirty(true);
}

// ---------------------------------------------------------------------------------------
// Carrying out an entry

namespace {

// Where the load and save panels open: the current patch file, or the patch folder when
// that file is gone.
void panelStart(const HalvoVST2& plugin, char* start, int size) {
    plugin.getPatchFilename(start, size);
    if (!myFileExists(start)) std::snprintf(start, static_cast<std::size_t>(size), "%s", plugin.getPatchFolder());
}

}  // namespace

void HalvoGui::patchMenuDispatch(int entry) {
    VSTGUI::COptionMenu* menu = frame ? patchMenu : nullptr;  // the menu lives with the window
    char start[kSysexPathSize];
    char chosen[kSysexPathSize] = {};
    attachPanels(frame);
    switch (entry) {
        case kLoadEntry:
            panelStart(*plugin, start, sizeof start);
            if (!myOpenSingleFile(start, kPatchExtension, "Load Halvorax Patch", chosen, sizeof chosen)) return;
            if (plugin->LoadPatch(chosen)) {
                buildPatchMenu(menu);
                if (frame) frame->setDirty(true);
            } else {
                setPatchDisplayText(kLoadError, kErrorHoldTicks);
            }
            return;
        case kSaveEntry:
            panelStart(*plugin, start, sizeof start);
            if (!mySaveSingleFile(start, kPatchExtension, "Save Halvorax Patch", chosen, sizeof chosen)) return;
            if (plugin->SavePatch(chosen))
                buildPatchMenu(menu);
            else
                setPatchDisplayText(kSaveError, kErrorHoldTicks);
            return;
        case kImportEntry:
            if (!myOpenSingleFile(sysexPath, kSysexExtension, "Import Alpha Juno Sysex (.syx)", chosen, sizeof chosen))
                return;
            if (plugin->ImportSysex(chosen)) {
                std::snprintf(sysexPath, sizeof sysexPath, "%s", chosen);
                buildPatchMenu(menu);  // a bank arrives as a new folder
                if (frame) frame->setDirty(true);
            } else {
                std::snprintf(displayMessage, sizeof displayMessage, "%s", kImportError);
                displayState = kDisplayBlinking;
                displayCounter = kImportBlinkTicks;
            }
            return;
        default:
            break;
    }
    if (entry == exportSysexItem) {
        char name[kSysexPathSize];
        std::snprintf(name, sizeof name, "%s", sysexPath);
        if (!mySaveSingleFile(name, kSysexExtension, "Export Sysex (.syx)", chosen, sizeof chosen)) return;
        if (plugin->ExportSysex(chosen))
            std::snprintf(sysexPath, sizeof sysexPath, "%s", chosen);
        else
            setPatchDisplayText(kExportError, kErrorHoldTicks);
        return;
    }

    // A parameter toggle switches between 0 and 1 without telling the host.
    const auto toggle = [this](int parameter) {
        plugin->setParameter(parameter, plugin->getParameter(parameter) > 0 ? 0.0f : 1.0f);
        update();
    };
    if (entry == midiLearnItem) {
        // Ending learn after touching a control without moving a controller also drops that
        // control's controller mapping.
        plugin->toggleMidiLearn();
    } else if (entry >= firstFolderItem && patchList != nullptr) {
        // The n-th sub-folder of the list: the patch chosen in its sub-menu, or its first.
        int folder = entry - firstFolderItem;
        const int chosenFile = menu ? std::max(0, menu->getLastSubmenuChoice()) : 0;
        for (const dirEntry* item = patchList->head; item; item = item->next) {
            if (item->depth != 0 || !item->isFolder || folder-- > 0) continue;
            const std::vector<dirEntry*> files = folderPatches(item->path);
            if (chosenFile >= static_cast<int>(files.size())) return;
            loadListed(files[chosenFile]);
            redrawCountdown = kListRedrawTicks;
            if (frame) frame->setDirty(true);
            return;
        }
    } else if (entry >= firstPatchItem) {
        const VSTGUI::CMenuItem* item = menu ? menu->getEntry(entry) : nullptr;
        if (item == nullptr || patchList == nullptr) return;
        char path[kSysexPathSize];
        joinPatchPath(path, sizeof path, patchList->path, item->getTitle());
        if (plugin->LoadPatch(path))
            displayState = kDisplayNormal;
        else
            setPatchDisplayText(kLoadError, kErrorHoldTicks);
        redrawCountdown = kListRedrawTicks;
        if (frame) frame->setDirty(true);
    } else if (entry == showNameItem) {
        showPatchName = 1 - showPatchName;
    } else if (entry == aftertouchItem) {
        toggle(kAftertouchParam);
    } else if (entry == retrigDcoItem) {
        toggle(kRetrigDcoParam);
    } else if (entry == retrigLfoItem) {
        toggle(kRetrigLfoParam);
    } else if (entry == filterTypeItem) {
        toggle(kFilterModeParam);
    } else if (entry == initPatchItem) {
        // Sounding notes are released through the audio thread, never by entering the
        // engine from here.
        plugin->requestReleaseAllNotes();
        plugin->InitializePatch();
    }
}

}  // namespace halvorax
