// The external voice set's two drop-down lists on the main window, made anew from
// the voice list each time; a player's choice in either is handed on.
#pragma once

#include "controller/ExternalVoiceLists.h"

#include <QComboBox>
#include <QPointer>

#include <functional>

class QWidget;

class TExternalVoiceListBoxes final : public IExternalVoiceListsView {
public:
    using TChosen = std::function<void(bool right, int position)>;
    TExternalVoiceListBoxes(QWidget* window, TChosen chosen)
        : Window(window), Chosen(std::move(chosen)) {}

    void ShowExternalVoiceLists(const TVoiceList& voices) override;
    int ExternalVoiceListSelection(bool right) const override;
    void SelectExternalVoiceListItem(bool right, int position) override;
    QComboBox* List(bool right) const { return right ? RightList : LeftList; }

private:
    QWidget* Window;
    TChosen Chosen;
    QPointer<QComboBox> LeftList, RightList;
};
