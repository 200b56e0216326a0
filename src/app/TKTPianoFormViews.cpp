// The main window's faces to the core and the controller: what they show (value
// boxes, command buttons, slider, messages, the external lists, the playing views),
// the cursor they hold and the dialogs they open.
#include "app/TKTPianoForm.h"

#include "app/WindowDialogs.h"
#include "controller/PlayingViews.h"
#include "keys/ui/TKTPCKeyboard.h"
#include "ui/HandCursors.h"
#include "ui/TKTMainButtons.h"
#include "ui/TKTPianoKb.h"
#include "ui/TKTSlider.h"
#include "ui/TKTSpinEdit.h"

#include <QCursor>

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// Range and position are set with the change handler detached, so that showing
// them writes nothing back.
void TKTPianoForm::ShowSlider(const TSliderSetting& setting) {
    Slider->SetOnChange({});
    Slider->SetMin(setting.Min);
    Slider->SetMax(setting.Max);
    Slider->SetPosition(setting.Position);
    Slider->SetOnChange([this](TKTSlider* s) { Piano->SliderChanged(s->Position()); });
}

// ---- What the core and the controller show ----

void TKTPianoForm::ShowValue(TValueBox box, std::string_view text) {
    const auto i = static_cast<size_t>(box);
    if (i < Boxes.size() && Boxes[i]) Boxes[i]->SetText(FromUtf8(text));
}

void TKTPianoForm::ShowCommandButtons(const TCommandButtonStates& states) {
    for (int i = 0; i < CommandButtonCount; ++i)
        CommandButtons->SetButtonEnabled(i, states.Enabled[static_cast<size_t>(i)]);
    CommandButtons->SetButtonLatched(cbPlay, states.PlayLatched);
    CommandButtons->SetButtonLatched(cbRecord, states.RecordLatched);
}

void TKTPianoForm::ShowMessage(std::string_view text) {
    if (Setup.ShowMessage) Setup.ShowMessage(FromUtf8(text));
}

void TKTPianoForm::ShowExternalVoiceLists(const TVoiceList& voices) {
    VoiceLists->ShowExternalVoiceLists(voices);
}

int TKTPianoForm::ExternalVoiceListSelection(bool right) const {
    return VoiceLists->ExternalVoiceListSelection(right);
}

void TKTPianoForm::SelectExternalVoiceListItem(bool right, int position) {
    VoiceLists->SelectExternalVoiceListItem(right, position);
}

void TKTPianoForm::CloseWindow() {
    // After the key message that asked for it has been handled.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TKTPianoForm::OpenWithDesktop(const std::string& path) {
    Dialogs->OpenWithDesktop(path);
}

void TKTPianoForm::ShowAbout() {
    Dialogs->ShowAbout();
}

void TKTPianoForm::ConfineCursor(int clientX, int clientY) {
    QCursor::setPos(mapToGlobal(QPoint(clientX, clientY)));
    grabMouse();
}

void TKTPianoForm::ReleaseCursor() {
    releaseMouse(); // nothing when the window holds no grab
}

void TKTPianoForm::SetCursorShape(TCursorShape shape) {
    if (shape == TCursorShape::Default)
        unsetCursor();
    else
        setCursor(shape == TCursorShape::LeftHand ? LeftHandCursor() : RightHandCursor());
}

void TKTPianoForm::OpenKeyEditor(int keyIndex) {
    EditKeyDefinitions(keyIndex);
}

void TKTPianoForm::EditKeyDefinitions(int keyIndex, QWidget* over) {
    Dialogs->EditKeyDefinitions(keyIndex, over);
}

bool TKTPianoForm::ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) {
    return Dialogs->ShowSettingsDialog(settings, switches);
}

void TKTPianoForm::SetPlayingViewsEnabled(bool enabled) {
    const TPlayingViews views = PlayingViewsEnabled(enabled);
    PCKeyboardView->SetKeysEnabled(views.Keys);
    UpperStrip->SetKeysEnabled(views.Keys);
    LowerStrip->SetKeysEnabled(views.Keys);
    for (size_t i = 0; i < Boxes.size(); ++i)
        if (views.Boxes[i]) Boxes[i]->SetEnabled(*views.Boxes[i]);
    if (views.Slider) Slider->setEnabled(*views.Slider);
}
