#include "Fonts.h"

#include <QFontDatabase>
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

} // namespace Fonts
