// The pictures drawn in code: their sizes, transparent corners where the shape is round, and the
// colours that make them recognisable.
#include <QColor>
#include <QImage>
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "gui/mainframe/Artwork.h"

namespace {

int alphaAt(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

} // namespace

TEST(Artwork, ApplicationIconAtEverySize)
{
    for (int size : {16, 32, 48, 256}) {
        const QImage icon = Artwork::ApplicationIcon(size).toImage();
        ASSERT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(alphaAt(icon, 0, 0), 0) << size << ": the tile's corner is rounded";
        EXPECT_EQ(alphaAt(icon, size / 2, size / 2), 255) << size;
    }
    // The platter's ring carries several partition colours.
    const QImage big = Artwork::ApplicationIcon(256).toImage();
    std::set<QRgb> ring;
    for (int degree = 0; degree < 360; degree += 10) {
        const double a = degree * 3.14159265 / 180.0;
        ring.insert(big.pixel(128 + int(64 * std::cos(a)), 118 + int(64 * std::sin(a))) & 0xF0F0F0);
    }
    EXPECT_GE(ring.size(), 4u);
}

TEST(Artwork, SplashPictureHasTheNameAndTheDiskBar)
{
    const QImage splash = Artwork::SplashPicture().toImage();
    ASSERT_EQ(splash.size(), QSize(Artwork::kSplashWidth, Artwork::kSplashHeight));
    EXPECT_EQ(alphaAt(splash, 0, 0), 255) << "opaque";
    // The name: light text over the dark background.
    int light = 0;
    for (int y = 70; y < 125; ++y)
        for (int x = 170; x < 480; ++x)
            light += QColor(splash.pixel(x, y)).lightness() > 200 ? 1 : 0;
    EXPECT_GT(light, 500) << "the name is drawn";
    // The disk bar: several distinct colours along its middle line.
    std::set<QRgb> bar;
    for (int x = 40; x < Artwork::kSplashWidth - 40; x += 4)
        bar.insert(splash.pixel(x, 219) & 0xE0E0E0);
    EXPECT_GE(bar.size(), 5u);
}

TEST(Artwork, BugIcon)
{
    const QImage bug = Artwork::BugIcon(64).toImage();
    ASSERT_EQ(bug.size(), QSize(64, 64));
    EXPECT_EQ(alphaAt(bug, 0, 63), 0);
    EXPECT_EQ(alphaAt(bug, 63, 63), 0);
    const QColor shell(bug.pixel(26, 36));
    EXPECT_GT(shell.red(), 150) << "a red shell";
    EXPECT_LT(shell.green(), 120);
    const QColor head(bug.pixel(32, 16));
    EXPECT_LT(head.lightness(), 80) << "a dark head";
    EXPECT_EQ(Artwork::BugIcon(32).size(), QSize(32, 32));
}
