#include "Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace Fonts {

QString defaultFace() { return QStringLiteral("ＭＳ Ｐゴシック"); }

void installSubstitutions()
{
    const QStringList proportional = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")};
    const QStringList fixed = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                               QStringLiteral("IPAPGothic")};
    const QStringList minchoP = {QStringLiteral("IPAPMincho"), QStringLiteral("IPAexMincho"),
                                 QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAMincho")};
    const QStringList mincho = {QStringLiteral("IPAMincho"), QStringLiteral("Noto Serif CJK JP"),
                                QStringLiteral("IPAPMincho")};
    const struct { const char* face; const QStringList* subs; } table[] = {
        {"ＭＳ Ｐゴシック", &proportional}, {"MS PGothic", &proportional},
        {"MS UI Gothic", &proportional},  {"メイリオ", &proportional},
        {"Meiryo", &proportional},        {"Meiryo UI", &proportional},
        {"Yu Gothic", &proportional},     {"游ゴシック", &proportional},
        {"ＭＳ ゴシック", &fixed},         {"MS Gothic", &fixed},
        {"ＭＳ Ｐ明朝", &minchoP},          {"MS PMincho", &minchoP},
        {"ＭＳ 明朝", &mincho},            {"MS Mincho", &mincho},
    };
    for (const auto& e : table) QFont::insertSubstitutions(QString::fromUtf8(e.face), *e.subs);
}

QFont windowFont()
{
    QFont f(defaultFace());
    f.setPixelSize(12);
    return f;
}

QFont StoredFont::toQFont() const
{
    QFont f(face);
    if (points > 0) f.setPointSize(points);
    return f;
}

StoredFont layoutFont() { return StoredFont{defaultFace(), 9}; }

namespace {
// The family as the font database lists it (substitutes come back lower-cased),
// or empty: aliases that fontconfig merely resolves to another family are not
// listed.
QString listed(const QString& family)
{
    for (const QString& f : QFontDatabase::families())
        if (f.compare(family, Qt::CaseInsensitive) == 0) return f;
    return QString();
}
} // namespace

QString drawnFamily(const QString& face)
{
    if (face.isEmpty()) return face;
    // An installed family draws itself, even where a substitution is known.
    if (const QString f = listed(face); !f.isEmpty()) return f;
    for (const QString& sub : QFont::substitutes(face))
        if (const QString f = listed(sub); !f.isEmpty()) return f;
    return QFontInfo(QFont(face)).family();
}

QFont asInstalled(const QFont& stored)
{
    QFont f = stored;
    f.setFamilies(QStringList{drawnFamily(stored.family())});
    // The dialog lists sizes in points; a size given in pixels is turned into
    // points at the 96 dpi the layouts were made for.
    if (f.pointSize() <= 0 && stored.pixelSize() > 0)
        f.setPointSize(qMax(1, qRound(stored.pixelSize() * 72.0 / 96.0)));
    return f;
}

QString keptFace(const QString& chosen, const QString& openedOn)
{
    if (openedOn.isEmpty() || chosen.compare(openedOn, Qt::CaseInsensitive) == 0) return openedOn;
    if (!listed(openedOn).isEmpty()) return chosen;
    return chosen.compare(drawnFamily(openedOn), Qt::CaseInsensitive) == 0 ? openedOn : chosen;
}

} // namespace Fonts
