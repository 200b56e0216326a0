// talvimorena-tool: the piano's headless companion for people and scripts.
#include "Commands.h"

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
      List the instruments of a voice set (a DLS file such as msf4.s), in the
      set's own order and sorted as the built-in set is, in the form
      "position:<MSB:LSB:program> name", drum kits marked [drum].
  talvimorena-tool convert [--built-in] IN.sf2 OUT.dls
      Convert a SoundFont to a DLS voice set. With --built-in, make the
      built-in set: General MIDI bank 0 as MSB 65, variation banks as LSB, the
      standard drum kit as the only kit, at most 300 instruments.
  talvimorena-tool ports
      List the synthesiser's output ports as OutDevList.txt numbers them (the
      number the piano takes on its command line), then its input ports, then
      the output port the piano opens when it is given none.
  talvimorena-tool --help
      Show this text.

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

int UsageError(const std::string& message) {
    std::cerr << "talvimorena-tool: " << message << "\n"
              << "Try 'talvimorena-tool --help'.\n";
    return 2;
}

int main(int argc, char** argv) {
    TArgs args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (command == "info") return InfoCommand(args);
    if (command == "default-kdf") return DefaultKdfCommand(args);
    if (command == "styles") return StylesCommand(args);
    if (command == "voices") return VoicesCommand(args);
    if (command == "convert") return ConvertCommand(args);
    if (command == "ports") return PortsCommand(args);
    return UsageError("unknown command '" + command + "'");
}
