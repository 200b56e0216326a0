// The colour stamp through the staff mask: the blend of every mask grey, and symbols
// cut where they stick out of the picture or the mask.
#include "ui/StampMask.h"

#include <gtest/gtest.h>

namespace {

// A mask of one row with the greys given.
QImage MaskRow(std::initializer_list<int> greys) {
    QImage mask(static_cast<int>(greys.size()), 1, QImage::Format_RGB32);
    int x = 0;
    for (int g : greys)
        mask.setPixel(x++, 0, qRgb(g, g, g));
    return mask;
}

TEST(StampMask, BlendsTowardTheBackgroundByTheMaskGrey) {
    const QImage mask = MaskRow({0, 128, 255, 64, 128, 128});
    QImage target(6, 1, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        target.setPixel(x, 0, qRgb(100, 200, 10));
    target.setPixel(4, 0, qRgb(200, 0, 0));
    target.setPixel(5, 0, qRgb(201, 0, 0));
    StampMask(target, mask, {0, 0}, QColor(0, 100, 250), QRect(0, 0, 6, 1));

    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 100, 250)) << "black: the pure colour";
    // 128: halfway. Red 0 - floor(-100 * 128 / 256) = 50, green 100 - floor(-50) = 150,
    // blue 250 - floor(240 * 128 / 256) = 130.
    EXPECT_EQ(target.pixel(1, 0), qRgb(50, 150, 130));
    EXPECT_EQ(target.pixel(2, 0), qRgb(100, 200, 10)) << "white: the background stays";
    // 64: a quarter of the way back. 0 - floor(-25) = 25, 100 - floor(-25) = 125,
    // 250 - floor(60) = 190.
    EXPECT_EQ(target.pixel(3, 0), qRgb(25, 125, 190));
    // The division rounds down, also toward the background below the colour:
    // 0 - floor(-201 * 128 / 256) = 0 - floor(-100.5) = 101.
    EXPECT_EQ(qRed(target.pixel(4, 0)), 100);
    EXPECT_EQ(qRed(target.pixel(5, 0)), 101);
}

TEST(StampMask, CutsWhatSticksOutOfThePictureOrTheMask) {
    // A 3 x 3 black mask whose pixels are told apart by a second stamp below.
    QImage mask(3, 3, QImage::Format_RGB32);
    mask.fill(Qt::black);
    mask.setPixel(2, 2, qRgb(255, 255, 255));
    const QColor red(255, 0, 0);

    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    // Sticking out at the top left: only mask pixels (1..2, 1..2) land, at (0..1, 0..1).
    StampMask(target, mask, {-1, -1}, red, QRect(0, 0, 3, 3));
    EXPECT_EQ(target.pixel(0, 0), red.rgb());
    EXPECT_EQ(target.pixel(1, 0), red.rgb());
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 255, 255)) << "mask pixel (2, 2) is white";
    EXPECT_EQ(target.pixel(2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(0, 2), qRgb(255, 255, 255));

    // Sticking out at the bottom right.
    target.fill(Qt::white);
    StampMask(target, mask, {2, 3}, red, QRect(0, 0, 3, 3));
    EXPECT_EQ(target.pixel(2, 3), red.rgb());
    EXPECT_EQ(target.pixel(3, 3), red.rgb());
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 255, 255));

    // A source partly outside the mask stamps only the mask's part, in its place.
    target.fill(Qt::white);
    StampMask(target, mask, {0, 0}, red, QRect(1, 1, 4, 4));
    EXPECT_EQ(target.pixel(0, 0), red.rgb());
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(2, 2), qRgb(255, 255, 255));

    // Wholly outside: nothing, and no crash.
    target.fill(Qt::white);
    StampMask(target, mask, {10, 10}, red, QRect(0, 0, 3, 3));
    StampMask(target, mask, {0, 0}, red, QRect(50, 50, 3, 3));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.pixel(x, y), qRgb(255, 255, 255));
}

} // namespace
