// Where the component keeps TDParameters.txt, TDFactoryPresets.txt and the preset files the
// list names: the bundle's Resources folder, or, where that folder is not writable and a file
// has still to be made, a per-user folder $XDG_DATA_HOME/Tandem/<bundle identifier>/
// (XDG_DATA_HOME defaulting to ~/.local/share).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace tandem {

class PresetLocations {
public:
    PresetLocations(const std::string& resourcesFolder, const std::string& userFolder)
        : resources(resourcesFolder), user(userFolder) {}
    PresetLocations(CFBundleRef bundle, CFURLRef resourcesFolder);

    static std::string userFolderFor(const std::string& bundleIdentifier);

    // The folder that holds `fileName`: Resources first, then the per-user folder; "" when
    // neither does.
    std::string find(const std::string& fileName) const;
    // The folder new files go to: Resources when writable, else the per-user folder (made
    // when missing).
    std::string folderForNewFiles() const;

    const std::string& resourcesFolder() const { return resources; }
    const std::string& userFolder() const { return user; }

private:
    std::string resources;
    std::string user;
};

std::string pathOfURL(CFURLRef url);
CFURLRef createURLForPath(const std::string& path, bool isDirectory = false);

}  // namespace tandem
