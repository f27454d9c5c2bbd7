#include "DialogUtil.h"

#include "Fonts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace DialogUtil {

void makeFixedDialog(QDialog* dialog, int clientWidth, int clientHeight)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    dialog->setFont(Fonts::windowFont());
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setModal(true);
}

void applyViewColors(QWidget* widget, const ViewColors& colors)
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

void centreOnScreen(QWidget* widget)
{
    QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect area = screen->availableGeometry();
    QRect frame = widget->frameGeometry();
    widget->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

QPushButton* plainButton(const QString& caption, const char* name, QWidget* parent, const QRect& geometry)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setGeometry(geometry);
    return b;
}

QIcon folderGlyph()
{
    QPixmap pm(14, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 0));
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(0, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
    return QIcon(pm);
}

} // namespace DialogUtil
