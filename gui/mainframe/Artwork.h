// Volmara's own pictures, drawn with QPainter: the window icon, the splash picture and the bug icon.
#pragma once

#include <QPixmap>

namespace Artwork {

// A platter cut into coloured partitions on a rounded tile; square, `size` pixels a side.
QPixmap ApplicationIcon(int size);
// The picture shown while the disks load.
QPixmap SplashPicture();
inline constexpr int kSplashWidth = 500;
inline constexpr int kSplashHeight = 300;
// A beetle, for the box that reports an internal fault.
QPixmap BugIcon(int size);

} // namespace Artwork
