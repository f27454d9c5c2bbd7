#include "ViewColours.h"

#include <QComboBox>
#include <QEvent>
#include <QPalette>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QWidget>

namespace {

class FieldPainter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QComboBox*>(watched);
        if (!box || event->type() != QEvent::Paint) return false;
        QStyleOptionComboBox opt;
        opt.initFrom(box);
        opt.editable = false;
        opt.frame = box->hasFrame();
        opt.subControls = QStyle::SC_All;
        opt.currentText = box->currentText();
        opt.currentIcon = box->itemIcon(box->currentIndex());
        opt.iconSize = box->iconSize();
        QStylePainter p(box);
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box);
        p.fillRect(field, box->palette().brush(QPalette::Base));
        p.drawControl(QStyle::CE_ComboBoxLabel, opt);
        return true;
    }
};

} // namespace

namespace ViewColours {

void paintAsField(QComboBox* box)
{
    box->installEventFilter(new FieldPainter(box));
}

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
