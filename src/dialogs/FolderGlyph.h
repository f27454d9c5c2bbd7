#pragma once
#include <QIcon>

// The folder buttons' glyph: a small yellow folder, 14 x 15.
QIcon folderGlyph();
