// The surface test's block pictures, drawn in code: a block not read yet, one read without error and
// one with a read error. All three have the same size; the grid is laid out by it.
#pragma once

#include <QPixmap>

namespace SurfaceBlockPictures {

enum class Kind { Empty, Green, Red };

inline constexpr int kWidth = 10;
inline constexpr int kHeight = 10;

QPixmap Block(Kind kind);

} // namespace SurfaceBlockPictures
