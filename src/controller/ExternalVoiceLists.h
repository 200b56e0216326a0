// The external voice set's two drop-down lists (left and right keyboard): whether
// the set is in use, the lists made anew from the voice list, the voices of their
// selections sent again when asked, and the right list stepped by the command keys.
// Main thread only.
#pragma once

#include "controller/PerformanceController.h"
#include "sound/VoiceList.h"

class IExternalVoiceListsView {
public:
    virtual ~IExternalVoiceListsView() = default;
    // Both lists made anew from the voice list ("%d: %s" for each position), item 0
    // selected in both.
    virtual void ShowExternalVoiceLists(const TVoiceList& voices) = 0;
    // The position selected in the left or right list; -1 while there are no lists.
    virtual int ExternalVoiceListSelection(bool right) const = 0;
    // Selects a position in the left or right list without running its change handler.
    virtual void SelectExternalVoiceListItem(bool right, int position) = 0;
};

class TExternalVoiceLists {
public:
    TExternalVoiceLists(const TVoiceList& voices, TPerformanceController& performer,
                        IExternalVoiceListsView& view)
        : Voices(voices), Performer(performer), View(view) {}

    bool InUse() const { return Used; }
    void SetInUse(bool on) { Used = on; }
    // Both lists made anew, item 0 selected (nothing is sent).
    void Rebuild();
    // The voices selected in both lists, as a choice in each sends them.
    void SendSelections();
    // The window is active: the first time, the lists' voices are sent again while
    // the set is in use.
    void WindowActivated();
    // The right list one item down or up, round about at either end, and its voice
    // sent; false (nothing done) while the set is not in use or there is no list.
    bool Step(bool down);

private:
    const TVoiceList& Voices;
    TPerformanceController& Performer;
    IExternalVoiceListsView& View;
    bool Used = false;
    bool FirstActivationDone = false;
};
