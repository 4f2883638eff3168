#include "Options.h"

#include <getopt.h>

#include <cstdio>

namespace halvorax {

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: halvorax [options]\n"
                 "Halvorax as a program of its own: a JACK client with two audio outputs and a MIDI input,\n"
                 "plus an ALSA sequencer MIDI input. It remembers its sound between runs.\n"
                 "  -n, --name NAME     client name (default Halvorax)\n"
                 "  -c, --connect       connect the outputs to the first playback ports and every\n"
                 "                      MIDI capture port to the input\n"
                 "  -p, --patch FILE    load a .repatch patch file at start\n"
                 "  -s, --sysex FILE    import an Alpha Juno .syx dump at start\n"
                 "      --no-gui        run without the panel window\n"
                 "  -h, --help          this text\n"
                 "  -V, --version       the version\n"
                 "Needs a running JACK server (jackd, or PipeWire's JACK).\n");
}

}  // namespace

ParseResult parseOptions(int argc, char** argv, StandaloneOptions& options) {
    enum { kNoGui = 1000 };
    static const option longOptions[] = {
        {"name", required_argument, nullptr, 'n'},  {"connect", no_argument, nullptr, 'c'},
        {"patch", required_argument, nullptr, 'p'}, {"sysex", required_argument, nullptr, 's'},
        {"no-gui", no_argument, nullptr, kNoGui},   {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},     {nullptr, 0, nullptr, 0},
    };
    opterr = 0;  // our own one-line messages
    optind = 1;
    int c;
    while ((c = getopt_long(argc, argv, ":n:cp:s:hV", longOptions, nullptr)) != -1) {
        switch (c) {
            case 'n':
                options.name = optarg;
                break;
            case 'c':
                options.connect = true;
                break;
            case 'p':
                options.patch = optarg;
                break;
            case 's':
                options.sysex = optarg;
                break;
            case kNoGui:
                options.gui = false;
                break;
            case 'h':
                usage(stdout);
                return ParseResult::Exit;
            case 'V':
                std::printf("halvorax %s\n", HALVORAX_VERSION);
                return ParseResult::Exit;
            case ':':
                std::fprintf(stderr, "halvorax: %s needs a value (see --help)\n", argv[optind - 1]);
                return ParseResult::Error;
            default:
                std::fprintf(stderr, "halvorax: unknown option %s (see --help)\n", argv[optind - 1]);
                return ParseResult::Error;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "halvorax: unexpected argument \"%s\" (see --help)\n", argv[optind]);
        return ParseResult::Error;
    }
    if (options.name.empty() || options.name.size() > 63) {
        std::fprintf(stderr, "halvorax: --name wants 1 to 63 characters\n");
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

}  // namespace halvorax
