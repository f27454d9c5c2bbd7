#include "Accessibility.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>

namespace Accessibility {

namespace {

class TabFocusSelects : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusIn) return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) return false;
        auto* list = qobject_cast<QAbstractItemView*>(watched);
        QItemSelectionModel* selection = list ? list->selectionModel() : nullptr;
        if (!selection || selection->hasSelection() || !list->model()) return false;
        QModelIndex item = list->currentIndex();
        if (!item.isValid()) item = list->model()->index(0, 0, list->rootIndex());
        if (item.isValid() && (item.flags() & Qt::ItemIsSelectable))
            selection->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
        return false;
    }
};

} // namespace

void selectOnTabFocus(QAbstractItemView* list)
{
    list->installEventFilter(new TabFocusSelects(list));
}

} // namespace Accessibility
