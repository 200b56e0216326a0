// A value box: a number display, green on black, with up and down arrows drawn from
// the skin beside it. The box holds no value of its own: its owner steps the value
// when an arrow is clicked and writes the new text back, so showing a text never
// calls the owner.
#pragma once

#include "ui/TKTMultiGlyphButton.h"

#include <QLabel>
#include <QPointer>

#include <functional>

class TKTSpinEdit {
public:
    enum TArrow { UpArrow = 0, DownArrow = 1 }; // the arrows' tags
    // Called with the released arrow as sender.
    using TClick = std::function<void(TKTMultiGlyphButton* sender)>;

    // The display is width x height at (left, top) on the owner; the up arrow
    // (11 x 10) and the down arrow (11 x height - 10) stand at its right, their
    // pictures at their own places in the skin and pressed 621 pixels to the right.
    TKTSpinEdit(QWidget* owner, int top, int left, int height, int width, const QImage* skin);
    ~TKTSpinEdit();
    TKTSpinEdit(const TKTSpinEdit&) = delete;
    TKTSpinEdit& operator=(const TKTSpinEdit&) = delete;

    void SetText(const QString& text);
    QString Text() const;
    // Enables or disables both arrows; the display stays as it is.
    void SetEnabled(bool enabled);
    bool Enabled() const { return EnabledFlag; }
    // Empty: arrow clicks are not reported.
    void SetOnClick(TClick handler) { OnClick = std::move(handler); }

    QLabel* Display() const { return DisplayLabel.data(); }
    TKTMultiGlyphButton* Up() const { return UpButton.data(); }
    TKTMultiGlyphButton* Down() const { return DownButton.data(); }

private:
    TKTMultiGlyphButton* MakeArrow(QWidget* owner, int tag, QRect place, const QImage* skin);

    QPointer<QLabel> DisplayLabel;
    QPointer<TKTMultiGlyphButton> UpButton, DownButton;
    bool EnabledFlag = true;
    TClick OnClick;
};
