// The slider's arithmetic (position <-> thumb place, drag distance -> position) and
// its painting through a back buffer.
#include "ui/TKTSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>

TKTSlider::TKTSlider(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TKTSlider::SetTrack(const QImage* bitmap, QRect rect) {
    TrackBitmap = bitmap;
    TrackRect = rect;
    resize(rect.size());
    BackBuffer = QImage(rect.size(), QImage::Format_RGB888);
    BackBuffer.fill(Qt::black);
    if (TrackBitmap) {
        QPainter painter(&BackBuffer);
        painter.drawImage(QPoint(0, 0), *TrackBitmap, TrackRect);
    }
    RedrawThumb();
}

void TKTSlider::SetThumb(const QImage* bitmap, QRect rect) {
    ThumbBitmap = bitmap;
    ThumbRect = rect;
    RedrawThumb();
}

void TKTSlider::SetHorizontal(bool horizontal) {
    Horizontal = horizontal;
    RedrawThumb();
}

void TKTSlider::SetTrackStart(QPoint start) {
    TrackStart = start;
    RedrawThumb();
}

void TKTSlider::SetTrackEnd(int end) {
    TrackEnd = end;
    RedrawThumb();
}

void TKTSlider::SetPosition(int v) {
    if (v < Min)
        v = Min;
    else if (v > Max)
        v = Max;
    const bool changed = v != PositionValue;
    PositionValue = v;
    // Redrawn even when unchanged: a new range moves the thumb of the same position.
    RedrawThumb();
    if (changed && OnChange) OnChange(this);
}

void TKTSlider::RedrawThumb() {
    if (Max == Min) return;
    const int64_t span = int64_t(Max) - Min, offset = int64_t(PositionValue) - Min;
    QPoint corner;
    if (Horizontal) {
        corner = QPoint(int((TrackEnd - TrackStart.x()) * offset / span) + TrackStart.x(),
                        TrackStart.y());
    } else {
        corner =
            QPoint(TrackStart.x(), TrackEnd - int((TrackEnd - TrackStart.y()) * offset / span));
    }
    ThumbRectNow = QRect(corner, ThumbRect.size());
    if (BackBuffer.isNull()) return;
    QPainter painter(&BackBuffer);
    if (TrackBitmap) painter.drawImage(QPoint(0, 0), *TrackBitmap, TrackRect);
    if (ThumbBitmap) painter.drawImage(corner, *ThumbBitmap, ThumbRect);
    update();
}

void TKTSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!BackBuffer.isNull()) painter.drawImage(QPoint(0, 0), BackBuffer);
}

void TKTSlider::StartDrag(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !ThumbRectNow.contains(point)) return;
    DragActive = true;
    DragPoint = point;
    DragPosition = PositionValue;
}

void TKTSlider::mousePressEvent(QMouseEvent* event) {
    StartDrag(event);
}

void TKTSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!DragActive) return;
    const QPoint point = event->position().toPoint();
    const int64_t span = int64_t(Max) - Min;
    // A track without travel cannot be dragged along.
    const int64_t travel = Horizontal ? TrackEnd - TrackStart.x() : TrackEnd - TrackStart.y();
    if (travel == 0) return;
    const int64_t moved = Horizontal ? span * (point.x() - DragPoint.x()) / travel
                                     : (DragPoint.y() - point.y()) * span / travel;
    const int64_t target = std::clamp<int64_t>(DragPosition + moved, INT32_MIN, INT32_MAX);
    SetPosition(int(target));
}

void TKTSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) DragActive = false;
}

void TKTSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    StartDrag(event);
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
}
