#include "TColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace TColor {

bool isSystem(qint32 value)
{
    return (static_cast<quint32>(value) & 0xFF000000u) == 0x80000000u;
}

namespace {
QPalette::ColorRole roleFor(int index, QPalette::ColorGroup* group)
{
    *group = QPalette::Active;
    switch (index) {
    case 0: return QPalette::Mid;            // scroll bar
    case 1: return QPalette::Window;         // desktop
    case 2: case 13: case 26: return QPalette::Highlight;      // active caption, highlight, hot light
    case 3: case 27: case 28: *group = QPalette::Inactive; return QPalette::Highlight;
    case 4: return QPalette::Window;         // menu
    case 5: return QPalette::Base;           // window
    case 6: return QPalette::Shadow;         // window frame
    case 7: return QPalette::WindowText;     // menu text
    case 8: return QPalette::Text;           // window text
    case 9: case 14: return QPalette::HighlightedText;   // caption text, highlight text
    case 10: case 11: return QPalette::Mid;  // borders
    case 12: return QPalette::Dark;          // app workspace
    case 15: case 25: case 30: return QPalette::Button;   // button face, gradients, menu bar
    case 16: return QPalette::Mid;           // button shadow
    case 17: *group = QPalette::Disabled; return QPalette::Text;   // gray text
    case 18: return QPalette::ButtonText;
    case 19: *group = QPalette::Inactive; return QPalette::HighlightedText;
    case 20: return QPalette::Light;         // 3D highlight
    case 21: return QPalette::Shadow;        // 3D dark shadow
    case 22: return QPalette::Midlight;      // 3D light
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    case 29: return QPalette::Highlight;     // menu highlight
    default: return QPalette::Base;
    }
}
} // namespace

QColor toQColor(qint32 value)
{
    quint32 v = static_cast<quint32>(value);
    if (isSystem(value)) {
        QPalette::ColorGroup group;
        QPalette::ColorRole role = roleFor(static_cast<int>(v & 0xFF), &group);
        QPalette pal = QGuiApplication::palette();
        return pal.color(group, role);
    }
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

qint32 fromQColor(const QColor& color)
{
    QColor c = color.toRgb();
    return static_cast<qint32>(static_cast<quint32>(c.red()) | (static_cast<quint32>(c.green()) << 8)
                               | (static_cast<quint32>(c.blue()) << 16));
}

} // namespace TColor
