#pragma once
#include <QFont>
#include <QString>

namespace Fonts {
// Maps the usual Windows Japanese faces to the Japanese fonts installed here, so
// that stored names keep rendering as a Japanese proportional or fixed font.
void installSubstitutions();
// "ＭＳ Ｐゴシック", character height 12 pixels: the windows' own font.
QFont windowFont();
QString defaultFace();
}
