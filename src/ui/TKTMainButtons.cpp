// The command buttons: their places, pictures and the click on release.
#include "ui/TKTMainButtons.h"

#include "ui/SkinLayout.h"

static_assert(TKTMainButtons::ButtonCount == SkinLayout::MainButtonCount);

namespace {
constexpr const char* NameWords[TKTMainButtons::ButtonCount] = {"Open",  "Save", "Play", "Record",
                                                                "Setup", "Help", "About"};

bool ValidIndex(int index) {
    return index >= 0 && index < TKTMainButtons::ButtonCount;
}
} // namespace

QRect TKTMainButtons::NormalRect(int index) {
    if (!ValidIndex(index)) return {};
    const SkinLayout::TSkinRect& r = SkinLayout::MainButtonRects[static_cast<size_t>(index)];
    return QRect(r.Left, r.Top, r.Width, r.Height);
}

QRect TKTMainButtons::DownRect(int index) {
    return NormalRect(index).translated(SkinLayout::PressedOffset, 0);
}

const char* TKTMainButtons::NameWord(int index) {
    return ValidIndex(index) ? NameWords[index] : "";
}

TKTMainButtons::TKTMainButtons(QWidget* mainWindow, const QImage* skin) {
    for (int i = 0; i < ButtonCount; ++i) {
        auto* button = new TKTMultiGlyphButton(mainWindow);
        button->setObjectName(QStringLiteral("KTMainButton_%1").arg(QLatin1String(NameWords[i])));
        button->SetGlyph(skin);
        button->SetTag(i);
        button->setGeometry(NormalRect(i));
        button->SetStateOrigin(0, NormalRect(i).topLeft());
        button->SetStateOrigin(1, DownRect(i).topLeft());
        button->MakeCommandButton([this](TKTMultiGlyphButton* sender) {
            if (OnButtonClick) OnButtonClick(sender);
        });
        button->setCursor(Qt::PointingHandCursor);
        Buttons[i] = button;
        SetButtonLatched(i, false);
    }
}

TKTMainButtons::~TKTMainButtons() {
    // The buttons live on with the window; they must not call back into this object.
    for (auto& button : Buttons)
        if (button) button->MakeCommandButton(nullptr);
}

void TKTMainButtons::SetButtonEnabled(int index, bool enabled) {
    if (!ValidIndex(index)) return;
    EnabledFlags[index] = enabled;
    if (Buttons[index]) Buttons[index]->setEnabled(enabled);
}

void TKTMainButtons::SetButtonLatched(int index, bool latched) {
    if (!ValidIndex(index)) return;
    Latched[index] = latched;
    if (Buttons[index]) Buttons[index]->SetState(latched ? 1 : 0);
}

bool TKTMainButtons::ButtonEnabled(int index) const {
    return ValidIndex(index) && EnabledFlags[index];
}

bool TKTMainButtons::ButtonLatched(int index) const {
    return ValidIndex(index) && Latched[index];
}

TKTMultiGlyphButton* TKTMainButtons::Button(int index) const {
    return ValidIndex(index) ? Buttons[index].data() : nullptr;
}
