#include "song/CommandButtons.h"

TCommandButtonStates InitialCommandButtons() {
    TCommandButtonStates s;
    s.Enabled = {true, false, false, true, true, true, true};
    return s;
}

TCommandButtonStates CommandButtonsFor(bool recording, bool playing, std::string_view songFileName,
                                       bool songEmpty) {
    TCommandButtonStates s;
    s.RecordLatched = recording;
    s.PlayLatched = playing;
    if (recording || playing) {
        s.Enabled[recording ? cbRecord : cbPlay] = true;
        return s;
    }
    s.Enabled.fill(true);
    s.Enabled[cbSave] = songFileName.empty() || songFileName == NewSongFileName;
    s.Enabled[cbPlay] = !songEmpty;
    return s;
}
