#pragma once
#include <QIcon>
#include <QImage>

// The program's small drawn pictures, prepared for screens of higher density.
namespace Glyphs {
// The folder buttons' glyph: a small yellow folder, 14 x 15, drawn anew for
// each density so that it stays sharp there.
QIcon folder();
// A small picture (an application's 17 x 17 glyph) as an icon that a screen
// of higher density shows smoothly enlarged rather than in blocks.
QIcon smooth(const QImage& image);
// Pixel densities the glyphs are prepared for; others are scaled from the next larger.
inline constexpr qreal Scales[] = {1.0, 1.5, 2.0, 3.0};
}
