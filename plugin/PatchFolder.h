// Where the instrument keeps its patch files and finds its bundle's resources.
#pragma once

#include <string>

namespace halvorax {

// The patch folder, ending in a slash: on Linux $XDG_DATA_HOME/Brindlecove/Halvorax/
// (XDG_DATA_HOME defaulting to ~/.local/share), on macOS the system-wide application folder.
std::string defaultAppFolder();

// The bundle's Contents/Resources folder, found from the location of the loaded .so (never
// from the working directory). HALVORAX_RESOURCES overrides it for tools and tests that link
// the plug-in statically. Ends in a slash; empty when it cannot be found.
std::string bundleResourcesFolder();

}  // namespace halvorax
