// The two mouse cursors over the keys: a left hand over what plays the left keyboard
// and a right hand over what plays the right one ("LeftHandCursor" and
// "RightHandCursor"), each pointing with its index finger, drawn when asked for
// (the window makes them once, at start).
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>

// The hand's picture, 32 x 32 on transparency, and where its fingertip is.
QImage HandCursorImage(bool rightHand);
QPoint HandCursorHotSpot(bool rightHand);

QCursor LeftHandCursor();
QCursor RightHandCursor();
