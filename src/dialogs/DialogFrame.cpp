#include "DialogFrame.h"

#include "Fonts.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace DialogFrame {

void setUp(QDialog* dialog, int clientWidth, int clientHeight)
{
    // A dialog's frame as window managers take it: the dialog type, a title
    // and the close button only. Without the close button named, the frame
    // hints name no function at all, and a window manager then offers every
    // one (minimise, maximise) on the title bar.
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint);
    dialog->setFont(Fonts::windowFont());
    dialog->setFixedSize(clientWidth, clientHeight);
    dialog->setModal(true);
}

void centre(QWidget* widget)
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

QLabel* plainLabel(const QString& text, const QString& name, QWidget* parent, const QRect& geometry)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    return l;
}

QLabel* fieldLabel(const QString& name, QWidget* parent, const QRect& geometry)
{
    QLabel* l = plainLabel(QString(), name, parent, geometry);
    l->setWordWrap(false);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return l;
}

} // namespace DialogFrame
