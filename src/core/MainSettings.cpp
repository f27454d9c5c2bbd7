#include "MainSettings.h"

#include "IntConv.h"
#include "LineBuffer.h"
#include "Version.h"

#include <algorithm>

namespace MainSettings {

QString fileName() { return QStringLiteral("appcfgs.cfg"); }
QString header() { return QStringLiteral("Vardolin Ver " VARDOLIN_VERSION); }

namespace {
QString flag(bool zero) { return zero ? QStringLiteral("0") : QStringLiteral("1"); }
}

bool load(const QString& path, Read* read)
{
    *read = Read{};
    LineBuffer lines;
    lines.load(path, Lines);   // the lines past the 13th are never read
    if (lines.line(0) != header()) return false;
    // Width and height are converted before top and left: a bad value among
    // them is reported in that order.
    const int width = strToInt(lines.line(3));
    const int height = strToInt(lines.line(4));
    const int top = strToInt(lines.line(1));
    const int left = strToInt(lines.line(2));
    read->bounds = Bounds{left, top, width, height};
    read->wordWrap = strToInt(lines.line(5)) == 0;
    read->fontFace = lines.line(6);
    read->fontSize = std::clamp(strToInt(lines.line(7)), -MaxFontSize, MaxFontSize);
    read->textColor = strToInt(lines.line(8));
    read->fillColor = strToInt(lines.line(9));
    // The two flags are compared as text: " 0" or "00" is not "0".
    read->directEnabled = lines.line(10) == QLatin1String("0");
    read->directOn = lines.line(11) == QLatin1String("0");
    read->listWidth = strToInt(lines.line(12));
    return true;
}

void save(const QString& path, const Values& v)
{
    LineBuffer lines;
    lines.append(header());
    lines.append(QString::number(v.bounds.top));
    lines.append(QString::number(v.bounds.left));
    lines.append(QString::number(v.bounds.width));
    lines.append(QString::number(v.bounds.height));
    lines.append(flag(v.wordWrap));
    lines.append(v.fontFace);
    lines.append(QString::number(v.fontSize));
    lines.append(QString::number(v.textColor));
    lines.append(QString::number(v.fillColor));
    lines.append(flag(v.directEnabled));
    lines.append(flag(v.directOn));
    lines.append(QString::number(v.listWidth));
    lines.save(path);
}

} // namespace MainSettings
