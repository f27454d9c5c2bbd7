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

// A font as the settings file keeps it: a face name and a size in points,
// held exactly as read so that they are written back unchanged. The face need
// not be installed; whatever family draws it in its place is no part of it.
struct StoredFont {
    QString face;
    int points = 0;

    // A font asking for the stored face (the substitution draws it).
    QFont toQFont() const;
    bool operator==(const StoredFont&) const = default;
};

// The windows' layout font in stored terms: 12 pixels are 9 points at 96 dpi.
StoredFont layoutFont();

// The installed family that actually draws a face (its substitute when the
// face itself is not installed).
QString drawnFamily(const QString& face);

// The same font with the family that draws it in place of the stored face: a
// font dialog can only show installed families.
QFont asInstalled(const QFont& stored);

// The face name to keep after a font dialog that opened on the face
// `openedOn` confirmed the family `chosen`: choosing the family that merely
// stands in for the stored face keeps the stored name.
QString keptFace(const QString& chosen, const QString& openedOn);
}
