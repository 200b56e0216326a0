// A text label that opens a web page or a new mail when clicked, and takes its
// active colour while the mouse is over it.
#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>

#include <functional>

enum class TAddressType { atMail, atWWW };

class TKTLinkLabel : public QLabel {
    Q_OBJECT
public:
    using TNotify = std::function<void(TKTLinkLabel* sender)>;

    explicit TKTLinkLabel(QWidget* parent);

    TAddressType AddressType = TAddressType::atWWW;
    QString Address;
    QColor ActiveColor = QColor(0x00, 0x00, 0xFF);
    TNotify OnMouseEnter, OnMouseExit, OnClick;

    // What a click opens: the address of a web link, otherwise (a mail link, or a
    // web link without address) "mailto:" and the address.
    QUrl Target() const;
    // Opens the target with the desktop's handler, then raises OnClick.
    void Click();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor TextColor() const;
    void SetTextColor(const QColor& color);

    QColor SavedColor;
    bool Hovered = false;
};
