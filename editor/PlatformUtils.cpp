#include "PlatformUtils.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

int check_path(char* path) {
    if (path == nullptr) return 0;
    int length = 0;
    for (char* c = path; *c; ++c, ++length)
        if (*c == '\\') *c = '/';
    return length;
}

const char* get_path_seperator(const char* path) { return path ? std::strrchr(path, '/') : nullptr; }

char* get_path_seperator(char* path) { return path ? std::strrchr(path, '/') : nullptr; }

bool myFileExists(const char* path) {
    if (path == nullptr || path[0] == 0) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    // fopen succeeds on a folder here, so ask what was opened.
    struct stat info {};
    const bool regular = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    std::fclose(file);
    return regular;
}
