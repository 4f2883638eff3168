#include "DirList.h"

#include <dirent.h>
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "PlatformUtils.h"

namespace halvorax {

namespace {

// Copies as much of `source` as fits, always terminated.
void copyField(char* field, std::size_t size, const char* source) {
    std::snprintf(field, size, "%s", source ? source : "");
}

}  // namespace

void dirList::setPath(const char* folder) { copyField(path, sizeof path, folder); }

bool dirList::addExtension(const char* extension) {
    if (extensionCount >= kMaxExtensions || extension == nullptr) return false;
    copyField(extensions[extensionCount++], kFieldSize, extension);
    return true;
}

void dirList::refresh() {
    removeAll();
    scan(path, 0);
    current = head;
}

bool dirList::matchesExtension(const char* fileName) const {
    const char* dot = std::strrchr(fileName, '.');
    if (dot == nullptr) return false;
    for (int i = 0; i < extensionCount; ++i)
        if (strcasecmp(dot + 1, extensions[i]) == 0) return true;
    return false;
}

void dirList::scan(const char* folder, int depth) {
    if (folder == nullptr) return;
    char openPath[1024];
    std::snprintf(openPath, sizeof openPath, "%s/", folder);
    check_path(openPath);
    DIR* dir = opendir(openPath);
    if (dir == nullptr) return;

    while (const dirent* item = readdir(dir)) {
        if (item->d_type != DT_DIR) {
            if (matchesExtension(item->d_name)) addEntry(item->d_name, folder, depth, false);
            continue;
        }
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
        if (!recurse || depth >= maxDepth) continue;
        char subfolder[kFieldSize];
        const int length = std::snprintf(subfolder, sizeof subfolder, "%s/%s", folder, item->d_name);
        addEntry(item->d_name, subfolder, depth, true);
        // A path cut to its field names some other folder: that one is not entered.
        if (length < kFieldSize) scan(subfolder, depth + 1);
    }
    closedir(dir);
}

void dirList::addEntry(const char* name, const char* folderPath, int depth, bool isFolder) {
    auto* entry = new dirEntry{};
    copyField(entry->name, sizeof entry->name, name);
    copyField(entry->path, sizeof entry->path, folderPath);
    entry->depth = depth;
    entry->isFolder = isFolder ? 1 : 0;
    entry->next = nullptr;
    if (tail)
        tail->next = entry;
    else
        head = entry;
    tail = entry;
}

int dirList::find(const char* folder, const char* name) const {
    if (folder == nullptr || name == nullptr) return -1;
    int position = 0;
    for (const dirEntry* entry = head; entry; entry = entry->next, ++position)
        if (std::strcmp(entry->path, folder) == 0 && std::strcmp(entry->name, name) == 0) return position;
    return -1;
}

int dirList::getCount(const dirEntry* from) {
    int count = 0;
    for (; from; from = from->next) ++count;
    return count;
}

int dirList::collect(dirEntry** array, int capacity) const {
    int count = 0;
    for (dirEntry* entry = head; entry && count < capacity; entry = entry->next) array[count++] = entry;
    return count;
}

dirEntry* dirList::at(int position) const {
    if (position < 0) return nullptr;
    dirEntry* entry = head;
    while (entry && position-- > 0) entry = entry->next;
    return entry;
}

void dirList::removeAll() {
    while (head) {
        dirEntry* next = head->next;
        delete head;
        head = next;
    }
    tail = nullptr;
    current = nullptr;
}

}  // namespace halvorax
