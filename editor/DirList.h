// The listing of one folder that drives the patch menu and the patch up/down rocker: the
// files whose extension is one of a few, in the order the operating system delivers them.
#pragma once

#include <cstdint>

namespace halvorax {

// One found item; the list links them in the order found.
struct dirEntry {
    char name[256];  // file or folder name, with extension
    char path[256];  // folder holding a file; a folder entry's own full path
    int32_t depth;   // 0 for the scanned folder, 1 for its subfolders, ...
    int32_t isFolder;
    dirEntry* next;
};

class dirList {
public:
    static constexpr int kMaxExtensions = 10;
    static constexpr int kFieldSize = 256;
    // Subfolders deeper than this are not entered, whatever the folder tree holds; nor are
    // folders whose full path does not fit its field.
    static constexpr int kMaxDepth = 32;

    dirList() = default;
    ~dirList() { removeAll(); }
    dirList(const dirList&) = delete;
    dirList& operator=(const dirList&) = delete;

    // Setting up: the folder, the accepted extensions (without the dot; at most ten) and
    // whether subfolders are entered.
    void setPath(const char* folder);
    bool addExtension(const char* extension);
    void setRecurse(bool on) { recurse = on ? 1 : 0; }
    // How deep subfolders are entered when recursing (at most kMaxDepth).
    void setMaxDepth(int depth) { maxDepth = depth < kMaxDepth ? depth : kMaxDepth; }

    // Empties the list, then scans the folder at depth 0; the cursor goes to the head.
    void refresh();
    // Appends the matching files of one folder (and, with recurse, its subfolders).
    void scan(const char* folder, int depth);
    // Appends a copy of the entry at the tail; names and paths are cut to their fields.
    void addEntry(const char* name, const char* folderPath, int depth, bool isFolder);
    // Position of the first entry whose folder and name equal these exactly, or -1.
    int find(const char* folder, const char* name) const;
    // Entries from `from` to the end (0 for null).
    static int getCount(const dirEntry* from);
    int getCount() const { return getCount(head); }
    // Copies up to `capacity` entry pointers into `array` in list order; returns the count.
    int collect(dirEntry** array, int capacity) const;
    // The entry at a position from the head, or null.
    dirEntry* at(int position) const;
    dirEntry* last() const { return tail; }
    void removeAll();

    bool matchesExtension(const char* fileName) const;

    dirEntry* head = nullptr;
    dirEntry* current = nullptr;
    char path[kFieldSize] = {};
    char extensions[kMaxExtensions][kFieldSize] = {};
    int32_t extensionCount = 0;
    uint8_t recurse = 1;

private:
    dirEntry* tail = nullptr;  // appending stays cheap for folders with thousands of files
    int maxDepth = kMaxDepth;
};

}  // namespace halvorax
