#include "TestSupport.h"


QStringList FakeMessages::texts() const
{
    QStringList out;
    for (const auto& m : log) out << m.text;
    return out;
}

bool FakeDialogs::openFile(QWidget*, const QString& filter, const QString&, QString* path)
{
    lastFilter = filter;
    if (openFileAccept) *path = openFileResult;
    return openFileAccept;
}

bool FakeDialogs::chooseColor(QWidget*, QColor* color, QList<QColor>*)
{
    lastColorPreset = *color;
    if (colorAccept) *color = colorResult;
    return colorAccept;
}

bool FakeDialogs::chooseFont(QWidget*, QFont* font)
{
    lastFontShown = *font;
    if (fontAccept) *font = fontResult;
    return fontAccept;
}

