// The link label's colours, cursor and what a click opens.
#include "ui/TKTLinkLabel.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>

TKTLinkLabel::TKTLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

QColor TKTLinkLabel::TextColor() const {
    return palette().color(QPalette::WindowText);
}

void TKTLinkLabel::SetTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

QUrl TKTLinkLabel::Target() const {
    if (AddressType == TAddressType::atWWW && !Address.isEmpty())
        return QUrl::fromUserInput(Address); // "www.example.org" opens as a web page too
    return QUrl(QStringLiteral("mailto:") + Address);
}

void TKTLinkLabel::enterEvent(QEnterEvent* event) {
    if (!Hovered) SavedColor = TextColor();
    Hovered = true;
    setCursor(Qt::PointingHandCursor);
    SetTextColor(ActiveColor);
    if (OnMouseEnter) OnMouseEnter(this);
    QLabel::enterEvent(event);
}

void TKTLinkLabel::leaveEvent(QEvent* event) {
    unsetCursor();
    if (Hovered) SetTextColor(SavedColor);
    Hovered = false;
    if (OnMouseExit) OnMouseExit(this);
    QLabel::leaveEvent(event);
}

void TKTLinkLabel::Click() {
    QDesktopServices::openUrl(Target());
    if (OnClick) OnClick(this);
}

void TKTLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Click();
    QLabel::mouseReleaseEvent(event);
}
