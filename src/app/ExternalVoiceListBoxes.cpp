#include "app/ExternalVoiceListBoxes.h"

#include "ui/SkinLayout.h"

#include <array>
#include <utility>

void TExternalVoiceListBoxes::ShowExternalVoiceLists(const TVoiceList& voices) {
    delete LeftList;
    delete RightList;
    LeftList = new QComboBox(Window);
    RightList = new QComboBox(Window);
    const std::array<std::pair<QComboBox*, SkinLayout::TSkinRect>, 2> lists{
        {{LeftList, SkinLayout::LeftVoiceListPlace}, {RightList, SkinLayout::RightVoiceListPlace}}};
    for (const auto& [list, place] : lists) {
        list->setGeometry(place.Left, place.Top, place.Width, list->sizeHint().height());
        list->setFocusPolicy(Qt::NoFocus); // keys stay with the instrument
        list->setMaxVisibleItems(16);
        for (int p = 0; p < voices.Count(); ++p)
            list->addItem(QString::fromStdString(voices.ListText(p)));
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
        list->show();
        const bool right = list == RightList;
        QObject::connect(list, &QComboBox::activated, Window,
                         [this, right](int position) { Chosen(right, position); });
    }
}

int TExternalVoiceListBoxes::ExternalVoiceListSelection(bool right) const {
    const QComboBox* list = right ? RightList : LeftList;
    return list ? list->currentIndex() : -1;
}

void TExternalVoiceListBoxes::SelectExternalVoiceListItem(bool right, int position) {
    // Only a user's choice (activated) runs the list's handler, not this.
    if (QComboBox* list = right ? RightList : LeftList) list->setCurrentIndex(position);
}
