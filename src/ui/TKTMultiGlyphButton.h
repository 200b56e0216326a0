// The one drawn button of the program: it shows a picture cut out of a skin image
// owned elsewhere, chosen by its state, and reports raw mouse events to its owner,
// who decides what a press means (a command, a note, a step of a value).
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class TKTMultiGlyphButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int StateCount = 16;
    using TMouseHandler =
        std::function<void(TKTMultiGlyphButton* sender, Qt::MouseButton button, QPoint pos)>;
    using TMoveHandler =
        std::function<void(TKTMultiGlyphButton* sender, Qt::MouseButtons held, QPoint pos)>;
    using TNotify = std::function<void(TKTMultiGlyphButton* sender)>;

    // 22 x 23 at (0, 0), no glyph, state 0.
    explicit TKTMultiGlyphButton(QWidget* parent);

    // The skin is not owned and must outlive the button; null shows no picture.
    void SetGlyph(const QImage* glyph);
    const QImage* Glyph() const { return GlyphImage; }
    // Top-left corner in the glyph of the picture of a state 0..15.
    void SetStateOrigin(int state, QPoint origin);
    QPoint StateOrigin(int state) const;
    // Shows the picture of a state 0..15; other values are ignored.
    void SetState(int state);
    int State() const { return CurrentState; }

    void SetTag(int tag) { TagValue = tag; }
    int Tag() const { return TagValue; }
    // Drawn on one line, centred, over the picture.
    void SetCaption(const QString& caption);
    QString Caption() const { return CaptionText; }

    // Handlers are called with the button as sender; an empty one is not called. A
    // button keeps the mouse from press to release, so the release comes here too
    // when it happens outside. A double click is reported as a press followed by the
    // double-click handler.
    void SetOnMouseDown(TMouseHandler handler) { OnMouseDown = std::move(handler); }
    void SetOnMouseUp(TMouseHandler handler) { OnMouseUp = std::move(handler); }
    // A move handler also hears moves without a button held.
    void SetOnMouseMove(TMoveHandler handler);
    void SetOnDblClick(TNotify handler) { OnDblClick = std::move(handler); }

    // Gives the button the behaviour of a command button: the left button shows
    // state 1 from its press; its release, over the button or anywhere else, shows
    // state 0 and calls onClick. Replaces the mouse handlers.
    void MakeCommandButton(TNotify onClick);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QImage* GlyphImage = nullptr;
    std::array<QPoint, StateCount> StateOrigins{};
    int CurrentState = 0;
    int TagValue = 0;
    QString CaptionText;
    TMouseHandler OnMouseDown, OnMouseUp;
    TMoveHandler OnMouseMove;
    TNotify OnDblClick;
    // The command-button behaviour: the press that is held and what it showed before.
    bool CommandHeld = false;
    int StateBeforePress = 0;
};
