// talvimorena-tool: the piano's headless companion for people and scripts.
#include "Commands.h"

#include "base/TempFiles.h"

#include <cstddef>
#include <cstdio>
#include <iostream>

namespace {

const char* const HelpText =
    R"(talvimorena-tool: look into Talvimorena's files and work with them without a window.

Usage:
  talvimorena-tool info FILE [--json]
      Print a song (.lyt), key definitions (.kdf), favourite voices (.fvc) or
      settings (Talvimorena4.cfg), recognised by content rather than name: every
      header field, the snapshot, the song information, each event, the keys
      with their notes, the favourite patches, the settings. A file that does
      not load prints the reason and the command exits with status 1.
  talvimorena-tool default-kdf OUT.kdf
      Write the built-in default key layout as a key-definition file.
  talvimorena-tool styles [--json]
      List the preset accompaniment styles and the chord styles.
  talvimorena-tool voices FILE [--json]
      List the instruments of a voice set (a DLS file such as msf4.s, or a
      SoundFont .sf2 or compressed .sf3, recognised by content), in the set's
      own order (a SoundFont's presets as the file has them) and sorted as the
      built-in set is, in the form "position:<MSB:LSB:program> name", drum kits
      marked [drum]. A SoundFont bank b is MSB b / 128, LSB b % 128; bank 128
      holds the drum kits.
  talvimorena-tool convert [--built-in] IN.sf2 OUT.dls
      Convert a SoundFont to a DLS voice set. With --built-in, make the
      built-in set: General MIDI bank 0 as MSB 65, variation banks as LSB, the
      standard drum kit as the only kit, at most 300 instruments.
  talvimorena-tool ports
      List the synthesiser's output ports as OutDevList.txt numbers them (the
      number the piano takes on its command line), then its input ports, then
      the output port the piano opens when it is given none.
  talvimorena-tool render SONG.lyt OUT.wav [--voice-set FILE] [--max-seconds S]
      Play a song as the piano plays it, through the performance controller and
      the synthesiser, and write the sound as a WAV file (44100 Hz, stereo,
      16-bit): the song's starting state first, then every event at its time up
      to the last one that starts or ends a note (or the end mark), then up to 2 s more for the
      last notes to ring out (less once all is silent). With --max-seconds the
      file holds at most S seconds. The voices come from msf4.s beside this tool, or from the
      voice set given (DLS or SoundFont). Songs longer than 30 s show their
      progress on stderr.
  talvimorena-tool export-midi SONG.lyt OUT.mid [--gm] [--voice-set FILE]
      The same run, writing every message sent to the synthesiser (bank selects
      and program changes, notes, pedals, controllers) as a Standard MIDI File:
      format 0, one tick a millisecond (500 ticks a quarter note at 120 beats a
      minute), named after the song's title. The voice set decides which voices
      a song's voice numbers find, as in the piano. With --gm the built-in
      set's voices are written as General MIDI bank 0 (a variation keeps its
      bank LSB) and a keyboard playing the drum kit plays on channel 10.
  talvimorena-tool export-musicxml SONG.lyt OUT.musicxml [--tempo BPM]
                   [--grid GRID] [--staves keyboard] [--voice-set FILE]
      The same run as a score (MusicXML 4.0): a grand staff in real pitch,
      notes from middle C up on the treble staff and below it on the bass
      (with --staves keyboard, the left keyboard's on the bass and the
      right's on the treble), the key signature of the song's transposition,
      the tempo and bar of the song's accompaniment (else 4/4 at 120, or
      BPM), notes on a grid of 8, 16, 32, 8t or 16t (eighths ... sixteenth
      triplets; auto, the default, takes sixteenths or eighth triplets,
      whichever fits), chords, ties over bar lines, rests, pedal marks, the
      song's title and performer; percussion on a staff of its own.
      The three refuse a song that does not load, print the reason and exit
      with status 1; they write no file but OUT, and OUT only when all went
      well. Events out of time order are left out, and what was left out or
      mended is said on stderr.
  talvimorena-tool render-style STYLE OUT.wav [--tempo BPM] [--bars N]
                   [--voice-set FILE] [--midi OUT.mid]
      Play an accompaniment style as the piano plays it after Enter, through
      the accompaniment engine and the synthesiser, and write the sound as a
      WAV file (44100 Hz, stereo, 16-bit): N bars (4 unless given) at BPM
      beats a minute (100 unless given), then up to 2 s for the last strokes
      to ring out. STYLE is a number 0..71 of the style bank or a name as
      'styles' prints it (quoted: "4/4 节拍器"). The tempo clock follows the
      rendered sound, not the wall clock. With --midi, every message the
      accompaniment sends is also written as a Standard MIDI File, as
      export-midi writes one.
  talvimorena-tool --help
      Show this text.
  talvimorena-tool --version
      Show the version.

Exit status: 0 on success, 1 when a file cannot be read or written, 2 on a
usage error.
)";

} // namespace

bool TakeFlag(TArgs& args, const std::string& flag) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == flag) {
            args.erase(it);
            return true;
        }
    }
    return false;
}

int TakeOption(TArgs& args, const std::string& name, std::string& value) {
    int found = 0;
    for (size_t i = 0; i < args.size();) {
        if (args[i] == name) {
            if (i + 1 >= args.size() || found) return -1;
            value = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i + 2));
            found = 1;
        } else if (args[i].rfind(name + "=", 0) == 0) {
            if (found) return -1;
            value = args[i].substr(name.size() + 1);
            if (value.empty()) return -1;
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
            found = 1;
        } else {
            ++i;
        }
    }
    return found;
}

std::string UnknownOption(const TArgs& args) {
    for (const std::string& a : args)
        if (a.rfind("--", 0) == 0) return a;
    return {};
}

int UsageError(const std::string& message) {
    std::cerr << "talvimorena-tool: " << message << "\n"
              << "Try 'talvimorena-tool --help'.\n";
    return 2;
}

int main(int argc, char** argv) {
    // An interrupted run leaves no temporary file beside its output.
    RemoveTempFilesOnSignals();
    TArgs args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("talvimorena-tool %s\n", TALVIMORENA_VERSION);
        return 0;
    }
    if (command == "info") return InfoCommand(args);
    if (command == "default-kdf") return DefaultKdfCommand(args);
    if (command == "styles") return StylesCommand(args);
    if (command == "voices") return VoicesCommand(args);
    if (command == "convert") return ConvertCommand(args);
    if (command == "ports") return PortsCommand(args);
    if (command == "render") return RenderCommand(args);
    if (command == "export-midi") return ExportMidiCommand(args);
    if (command == "export-musicxml") return ExportMusicXmlCommand(args);
    if (command == "render-style") return RenderStyleCommand(args);
    return UsageError("unknown command '" + command + "'");
}
