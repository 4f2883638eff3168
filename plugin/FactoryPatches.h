// The factory patch library: shipped in the bundle's Resources/patches/ folder and copied
// into the user's patch folder the first time the instrument finds no such folder.
#pragma once

#include <string>

namespace halvorax {

// When `patchFolder` does not exist yet and the bundle has its patches/ folder: creates the
// patch folder and copies every "*.repatch" file of `resourcesFolder`patches/ into it. An
// existing folder, and any file in it, is left alone. Returns the number of files copied.
int installFactoryPatches(const std::string& patchFolder, const std::string& resourcesFolder);

}  // namespace halvorax
