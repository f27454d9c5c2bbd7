#pragma once
#include <QRect>
#include <QString>

class QToolButton;
class QWidget;

// The small button beside a path field that opens a picker: a yellow folder
// glyph of 14 x 15, the hint, and no keyboard focus.
QToolButton* folderButton(QWidget* parent, const QRect& geometry, const QString& hint);
