// The drawn button: painting from the skin and the command-button behaviour.
#include "ui/TKTMultiGlyphButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TKTMultiGlyphButton::TKTMultiGlyphButton(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 22, 23);
}

void TKTMultiGlyphButton::SetGlyph(const QImage* glyph) {
    GlyphImage = glyph;
    update();
}

void TKTMultiGlyphButton::SetStateOrigin(int state, QPoint origin) {
    if (state < 0 || state >= StateCount) return;
    StateOrigins[state] = origin;
    if (state == CurrentState) update();
}

QPoint TKTMultiGlyphButton::StateOrigin(int state) const {
    if (state < 0 || state >= StateCount) return {};
    return StateOrigins[state];
}

void TKTMultiGlyphButton::SetState(int state) {
    if (state < 0 || state >= StateCount) return;
    CurrentState = state;
    update();
}

void TKTMultiGlyphButton::SetCaption(const QString& caption) {
    CaptionText = caption;
    update();
}

void TKTMultiGlyphButton::SetOnMouseMove(TMoveHandler handler) {
    OnMouseMove = std::move(handler);
    setMouseTracking(static_cast<bool>(OnMouseMove));
}

void TKTMultiGlyphButton::MakeCommandButton(TNotify onClick) {
    CommandHeld = false;
    OnMouseDown = [](TKTMultiGlyphButton* b, Qt::MouseButton button, QPoint) {
        if (button != Qt::LeftButton) return;
        // The second press of a double click finds the first already released.
        if (!b->CommandHeld) b->StateBeforePress = b->State();
        b->CommandHeld = true;
        b->SetState(1);
    };
    // The button keeps the mouse from press to release, so the release runs the
    // command wherever it happens.
    OnMouseMove = nullptr;
    OnMouseUp = [onClick = std::move(onClick)](TKTMultiGlyphButton* b, Qt::MouseButton button,
                                               QPoint) {
        if (button != Qt::LeftButton || !b->CommandHeld) return;
        b->CommandHeld = false;
        b->SetState(0);
        if (onClick) onClick(b);
    };
    setMouseTracking(false);
}

void TKTMultiGlyphButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (GlyphImage) {
        painter.drawImage(rect(), *GlyphImage, QRect(StateOrigins[CurrentState], size()));
    }
    if (!CaptionText.isEmpty()) {
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, CaptionText);
    }
}

void TKTMultiGlyphButton::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(this, event->button(), event->position().toPoint());
}

void TKTMultiGlyphButton::mouseReleaseEvent(QMouseEvent* event) {
    if (OnMouseUp) OnMouseUp(this, event->button(), event->position().toPoint());
}

void TKTMultiGlyphButton::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(this, event->buttons(), event->position().toPoint());
}

void TKTMultiGlyphButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(this, event->button(), event->position().toPoint());
    if (OnDblClick && event->button() == Qt::LeftButton) OnDblClick(this);
}

void TKTMultiGlyphButton::changeEvent(QEvent* event) {
    // A command button disabled while held never hears its release: drop the press
    // and show what it showed before it.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && CommandHeld) {
        CommandHeld = false;
        SetState(StateBeforePress);
    }
    QWidget::changeEvent(event);
}
