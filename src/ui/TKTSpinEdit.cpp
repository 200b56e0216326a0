// The value box's display and arrows.
#include "ui/TKTSpinEdit.h"

#include "ui/SkinLayout.h"

#include <algorithm>

namespace {
constexpr int ArrowWidth = SkinLayout::SpinArrowWidth,
              UpArrowHeight = SkinLayout::SpinUpArrowHeight;
constexpr int DisplayFontPixels = 16;
} // namespace

TKTSpinEdit::TKTSpinEdit(QWidget* owner, int top, int left, int height, int width,
                         const QImage* skin) {
    DisplayLabel = new QLabel(owner);
    DisplayLabel->setGeometry(left, top, width, height);
    DisplayLabel->setAlignment(Qt::AlignCenter);
    DisplayLabel->setTextFormat(Qt::PlainText);
    DisplayLabel->setAutoFillBackground(true);
    QPalette palette = DisplayLabel->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, Qt::black);
        palette.setColor(group, QPalette::WindowText, QColor(0x00, 0xFF, 0x00));
    }
    DisplayLabel->setPalette(palette);
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(DisplayFontPixels);
    DisplayLabel->setFont(font);

    // The down arrow starts one pixel over the up arrow, as the skin draws them.
    const int downHeight = std::max(0, height - UpArrowHeight);
    UpButton = MakeArrow(owner, UpArrow, QRect(left + width, top, ArrowWidth, UpArrowHeight), skin);
    DownButton = MakeArrow(owner, DownArrow,
                           QRect(left + width, top + downHeight, ArrowWidth, downHeight), skin);
}

TKTSpinEdit::~TKTSpinEdit() {
    // The controls live on with the owner window; they must not call back into this object.
    for (auto* arrow : {UpButton.data(), DownButton.data()})
        if (arrow) arrow->MakeCommandButton(nullptr);
}

TKTMultiGlyphButton* TKTSpinEdit::MakeArrow(QWidget* owner, int tag, QRect place,
                                            const QImage* skin) {
    auto* arrow = new TKTMultiGlyphButton(owner);
    arrow->SetTag(tag);
    arrow->setGeometry(place);
    arrow->SetGlyph(skin);
    arrow->SetStateOrigin(0, place.topLeft());
    arrow->SetStateOrigin(1, place.topLeft() + QPoint(SkinLayout::PressedOffset, 0));
    arrow->setCursor(Qt::PointingHandCursor);
    arrow->MakeCommandButton([this](TKTMultiGlyphButton* sender) {
        if (OnClick) OnClick(sender);
    });
    return arrow;
}

void TKTSpinEdit::SetText(const QString& text) {
    if (DisplayLabel) DisplayLabel->setText(text);
}

QString TKTSpinEdit::Text() const {
    return DisplayLabel ? DisplayLabel->text() : QString();
}

void TKTSpinEdit::SetEnabled(bool enabled) {
    EnabledFlag = enabled;
    for (auto* arrow : {UpButton.data(), DownButton.data()})
        if (arrow) arrow->setEnabled(enabled);
}
