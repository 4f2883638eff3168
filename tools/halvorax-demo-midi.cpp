// Writes the demo songs in resources/ (Standard MIDI Files, through libsmf): a chord
// progression with a melody over it, and a short phrase for auditioning several patches.
#include <cstdio>
#include <initializer_list>

#include <glib.h>  // before smf.h, which opens an extern "C" block around it
#include <smf.h>

namespace {

void addNote(smf_track_t* track, double start, double length, int note, int velocity) {
    smf_event_t* on = smf_event_new_from_bytes(0x90, note, velocity);
    smf_event_t* off = smf_event_new_from_bytes(0x80, note, 0);
    smf_track_add_event_seconds(track, on, start);
    smf_track_add_event_seconds(track, off, start + length);
}

bool writeDemo(const char* path) {
    smf_t* smf = smf_new();
    if (smf_set_ppqn(smf, 480) != 0) return false;
    smf_track_t* chords = smf_track_new();
    smf_track_t* melody = smf_track_new();
    smf_add_track(smf, chords);
    smf_add_track(smf, melody);
    // 96 bpm: a bar of four beats lasts 2.5 s (libsmf's default tempo is 120 bpm, so the
    // tempo event matters for hosts that read beats).
    unsigned char tempo[] = {0xff, 0x51, 0x03, 0x09, 0x89, 0x68};  // 625000 us per quarter
    smf_track_add_event_pulses(chords, smf_event_new_from_pointer(tempo, sizeof tempo), 0);
    const double bar = 2.5;
    // Am - F - C - G, twice, voiced around middle C, with a bass note.
    const int progression[4][4] = {{45, 60, 64, 69}, {41, 60, 65, 69}, {48, 60, 64, 67}, {43, 59, 62, 67}};
    for (int pass = 0; pass < 2; ++pass)
        for (int b = 0; b < 4; ++b) {
            const double start = (pass * 4 + b) * bar;
            for (int n : progression[b]) addNote(chords, start, bar * 0.95, n, n < 50 ? 96 : 80);
        }
    // The melody enters on the second pass.
    const struct {
        double beat;
        double length;
        int note;
    } line[] = {
        {0, 1.5, 76}, {1.5, 0.5, 74}, {2, 2, 72},  {4, 1, 72},  {5, 1, 74},  {6, 2, 77},
        {8, 1.5, 76}, {9.5, 0.5, 74}, {10, 2, 72}, {12, 1, 71}, {13, 1, 72}, {14, 2, 74},
    };
    const double beat = bar / 4;
    for (const auto& n : line) addNote(melody, 4 * bar + n.beat * beat, n.length * beat * 0.9, n.note, 100);
    // A final held chord.
    for (int n : {45, 57, 60, 64, 69}) addNote(chords, 8 * bar, bar * 1.5, n, 90);
    const bool ok = smf_save(smf, path) == 0;
    smf_delete(smf);
    return ok;
}

bool writeRange(const char* path) {
    // One bar per patch: a bass note, a chord and a short line, repeated eight times.
    smf_t* smf = smf_new();
    smf_track_t* track = smf_track_new();
    smf_add_track(smf, track);
    const double bar = 2.0;
    for (int i = 0; i < 8; ++i) {
        const double start = i * bar;
        addNote(track, start, 0.4, 36, 110);
        for (int n : {60, 64, 67}) addNote(track, start + 0.5, 0.9, n, 90);
        addNote(track, start + 1.5, 0.3, 72, 100);
    }
    const bool ok = smf_save(smf, path) == 0;
    smf_delete(smf);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halvorax-demo-midi DEMO.mid RANGE.mid\n");
        return 2;
    }
    return writeDemo(argv[1]) && writeRange(argv[2]) ? 0 : 1;
}
