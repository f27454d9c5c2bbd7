#pragma once
#include <QColor>
#include <QtGlobal>

// Colours as the settings files store them: a signed 32-bit value, 0x00BBGGRR
// for a plain colour, 0x80000000 + index for a system colour.
namespace TColor {
constexpr qint32 Black = 0;
constexpr qint32 White = 0xFFFFFF;
constexpr qint32 WindowText = static_cast<qint32>(0x80000008u);   // -2147483640
constexpr qint32 Window = static_cast<qint32>(0x80000005u);
constexpr qint32 BtnFace = static_cast<qint32>(0x8000000Fu);

bool isSystem(qint32 value);
// System colours come from the application palette of the moment.
QColor toQColor(qint32 value);
qint32 fromQColor(const QColor& color);
}

struct ViewColors {
    qint32 text = TColor::Black;
    qint32 background = TColor::White;
};
