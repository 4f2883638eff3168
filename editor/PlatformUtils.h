// Path operations and the file test shared by the editor and the plug-in's patch code. Paths
// are zero-terminated UTF-8 byte strings with "/" as the separator.
#pragma once

// Turns every backslash into "/" in place; returns the path's length (0 for null or empty).
int check_path(char* path);

// The last "/" of the path, or null when it has none (a backslash is not a separator here).
const char* get_path_seperator(const char* path);
char* get_path_seperator(char* path);

// True when the path names a regular file that can be opened for reading; a folder or an
// unreadable file counts as missing.
bool myFileExists(const char* path);
