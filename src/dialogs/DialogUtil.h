#pragma once
#include "TColor.h"

#include <QDialog>
#include <QIcon>
#include <QPushButton>
#include <QRect>
#include <QPalette>
#include <QWidget>

namespace DialogUtil {
// The settings dialogs: no title-bar close button (their own buttons are the
// only way out), always on top, the windows' own font.
void makeFixedDialog(QDialog* dialog, int clientWidth, int clientHeight);
// Text colour as font colour, background as fill colour.
void applyViewColors(QWidget* widget, const ViewColors& colors);
// Centres a window on the screen's available area.
void centreOnScreen(QWidget* widget);
// A push button that is never the default: Enter in a field presses nothing.
QPushButton* plainButton(const QString& caption, const char* name, QWidget* parent, const QRect& geometry);
// The folder buttons' glyph: a small yellow folder, 14 x 15, drawn anew for
// screens of higher density so that it stays sharp there.
QIcon folderGlyph();
// A small picture (an application's 17 x 17 glyph) as an icon that a screen
// of higher density shows smoothly enlarged rather than in blocks.
QIcon smoothGlyph(const QImage& image);
// Pixel densities the glyphs are prepared for; others are scaled from the next larger.
inline constexpr qreal GlyphScales[] = {1.0, 1.5, 2.0, 3.0};
}
