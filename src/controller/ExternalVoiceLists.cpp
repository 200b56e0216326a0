#include "controller/ExternalVoiceLists.h"

void TExternalVoiceLists::Rebuild() {
    View.ShowExternalVoiceLists(Voices);
}

void TExternalVoiceLists::SendSelections() {
    Performer.SelectExternalVoice(false, View.ExternalVoiceListSelection(false));
    Performer.SelectExternalVoice(true, View.ExternalVoiceListSelection(true));
}

void TExternalVoiceLists::WindowActivated() {
    if (FirstActivationDone) return;
    FirstActivationDone = true;
    if (Used) SendSelections();
}

bool TExternalVoiceLists::Step(bool down) {
    const int count = Voices.Count();
    const int selected = View.ExternalVoiceListSelection(true);
    if (!Used || selected < 0 || count <= 0) return false;
    const int position = (selected + (down ? 1 : -1) + count) % count;
    View.SelectExternalVoiceListItem(true, position);
    Performer.SelectExternalVoice(true, position);
    return true;
}
