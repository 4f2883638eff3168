// Property-list reading shared by bundles and CFPropertyList.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace cf {

CFPropertyListRef propertyListFromBytes(const char* bytes, size_t length, std::string& problem);
// Null when the file is missing or is not a property list.
CFPropertyListRef propertyListFromFile(const std::string& path);

}  // namespace cf
