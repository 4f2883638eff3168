// The standalone instrument's command line.
#pragma once

#include <string>

namespace halvorax {

struct StandaloneOptions {
    bool gui = true;
    bool connect = false;
    std::string name = "Halvorax";  // JACK and ALSA client name
    std::string patch;              // a .repatch file to load at start
    std::string sysex;              // a .syx dump to import at start
};

enum class ParseResult { Run, Exit, Error };

// Strict: an unknown option, a stray argument or an empty value is an error, reported in one
// line. --help and --version print and ask to exit.
ParseResult parseOptions(int argc, char** argv, StandaloneOptions& options);

}  // namespace halvorax
