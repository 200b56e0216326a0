// A slider painted from two pictures of the skin, an empty track and a thumb. The
// thumb moves only by dragging it (a click beside it does not jump), and by
// SetPosition; the main window's volume slider is one.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <functional>

class TKTSlider : public QWidget {
    Q_OBJECT
public:
    using TNotify = std::function<void(TKTSlider* sender)>;

    explicit TKTSlider(QWidget* parent);

    // The skin images are not owned. Setting the track also sizes the slider to it.
    void SetTrack(const QImage* bitmap, QRect rect);
    void SetThumb(const QImage* bitmap, QRect rect);
    // Only stored: the thumb follows at the next SetPosition.
    void SetMin(int v) { Min = v; }
    void SetMax(int v) { Max = v; }
    void SetHorizontal(bool horizontal);
    // The thumb's top-left at the low end, and the far coordinate of its travel (x
    // when horizontal, y when vertical; the high end is at the top).
    void SetTrackStart(QPoint start);
    void SetTrackEnd(int end);
    // Clamped into Min..Max; OnChange is raised when the position changed.
    void SetPosition(int v);
    // Empty: changes are silent (the owner sets a position of its own).
    void SetOnChange(TNotify handler) { OnChange = std::move(handler); }
    void SetOnDblClick(TNotify handler) { OnDblClick = std::move(handler); }

    int Position() const { return PositionValue; }
    int MinValue() const { return Min; }
    int MaxValue() const { return Max; }
    QRect ThumbPlace() const { return ThumbRectNow; }
    bool Dragging() const { return DragActive; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void RedrawThumb();
    void StartDrag(QMouseEvent* event);

    QImage BackBuffer;
    const QImage* TrackBitmap = nullptr;
    const QImage* ThumbBitmap = nullptr;
    QRect TrackRect, ThumbRect;
    int Min = 0, Max = 0, PositionValue = 0;
    bool Horizontal = true;
    QPoint TrackStart;
    int TrackEnd = 0;
    QRect ThumbRectNow;
    bool DragActive = false;
    QPoint DragPoint;
    int DragPosition = 0;
    TNotify OnChange, OnDblClick;
};
