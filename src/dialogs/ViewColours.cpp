#include "ViewColours.h"

#include <QPalette>
#include <QWidget>

namespace ViewColours {

void apply(QWidget* widget, const ViewColors& colors)
{
    QPalette pal = widget->palette();
    const QColor fg = TColor::toQColor(colors.text);
    const QColor bg = TColor::toQColor(colors.background);
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Text, fg);
        pal.setColor(group, QPalette::WindowText, fg);
        pal.setColor(group, QPalette::ButtonText, fg);
        pal.setColor(group, QPalette::Base, bg);
        pal.setColor(group, QPalette::Window, bg);
        pal.setColor(group, QPalette::Button, bg);
    }
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

} // namespace ViewColours
