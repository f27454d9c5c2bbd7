#include "Accessibility.h"

#include "TextPane.h"
#include "Unit1.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QLabel>

namespace Accessibility {

namespace {

// A control of one window, by the name of the window layout; the dialogs
// that live inside the main window are windows of their own and not searched.
QWidget* control(QWidget* window, const QString& wanted)
{
    QList<QWidget*> pending{window};
    while (!pending.isEmpty()) {
        QWidget* w = pending.takeFirst();
        for (QObject* child : w->children()) {
            auto* c = qobject_cast<QWidget*>(child);
            if (!c || c->isWindow()) continue;
            if (c->objectName() == wanted) return c;
            pending.append(c);
        }
    }
    return nullptr;
}

// The caption label of a window that shows this text.
QLabel* caption(QWidget* window, const QString& text)
{
    for (QLabel* l : window->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (l->text() == text) return l;
    return nullptr;
}

QWidget* dialog(TForm1& main, const char* name)
{
    QWidget* w = main.findChild<QWidget*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    return w && w->isWindow() ? w : nullptr;
}

void nameIn(QWidget* window, const char* controlName, const QString& text)
{
    if (!window) return;
    if (QWidget* c = control(window, QLatin1String(controlName))) name(c, text);
}

void captionIn(QWidget* window, const QString& captionText, const char* controlName)
{
    if (!window) return;
    QLabel* l = caption(window, captionText);
    QWidget* c = control(window, QLatin1String(controlName));
    if (l && c) nameAfter(l, c);
}

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

void nameAfter(QLabel* captionLabel, QWidget* c)
{
    captionLabel->setBuddy(c);
    if (!qobject_cast<QComboBox*>(c)) c->setAccessibleName(captionLabel->text());
}

void name(QWidget* c, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(c)) {
        auto* unseen = new QLabel(text, combo->parentWidget());
        unseen->setObjectName(combo->objectName() + QStringLiteral("Caption"));
        unseen->hide();
        unseen->setBuddy(combo);
        return;
    }
    c->setAccessibleName(text);
}

void selectOnTabFocus(QAbstractItemView* list)
{
    list->installEventFilter(new TabFocusSelects(list));
}

void setUp(TForm1& main)
{
    // The main window. The application buttons are named with their hints,
    // from the slot table (Unit1Apps.cpp).
    nameIn(&main, "Edit1", QStringLiteral("フォルダのパス"));
    nameIn(&main, "FolderBtn", QStringLiteral("フォルダのパスを選択"));
    nameIn(&main, "ChBox1", QStringLiteral("拡張子の種類"));
    nameIn(&main, "ChBox2", QStringLiteral("拡張子"));
    nameIn(&main, "LView", QStringLiteral("ファイル一覧"));
    if (auto* pane = qobject_cast<TextPane*>(control(&main, QStringLiteral("REdit"))))
        for (QWidget* page : pane->textWidgets()) name(page, QStringLiteral("ファイルの内容"));

    // Extension settings: the two lists under their captions.
    QWidget* form2 = dialog(main, "Form2");
    captionIn(form2, QStringLiteral("種別"), "LBox1");
    captionIn(form2, QStringLiteral("拡張子"), "LBox2");
    // Name input: the one field is the name typed.
    nameIn(dialog(main, "Form3"), "Edit1", QStringLiteral("名前"));
    // Registration: the three fields beside their captions, the slot number.
    QWidget* form4 = dialog(main, "Form4");
    captionIn(form4, QStringLiteral("Title:"), "ETitle");
    captionIn(form4, QStringLiteral("Option:"), "EOpt");
    captionIn(form4, QStringLiteral("Path:"), "EAppPath");
    nameIn(form4, "ChBox", QStringLiteral("アイテムの番号"));
    nameIn(form4, "FolderBtn", QStringLiteral("外部起動アプリへのパスを指定"));
    // The five "Reset" buttons are told apart by the number their row starts with.
    for (int n = 1; form4 && n <= 5; ++n) {
        QWidget* reset = control(form4, QStringLiteral("ResetBtn%1").arg(n));
        auto* number = qobject_cast<QLabel*>(control(form4, QStringLiteral("Num%1").arg(n)));
        if (reset && number) reset->setAccessibleDescription(number->text());
    }
    // Test run: the target file.
    QWidget* form5 = dialog(main, "Form5");
    captionIn(form5, QStringLiteral("対象ファイル"), "Edit1");
    nameIn(form5, "FolderBtn", QStringLiteral("対象ファイルへのパスを指定"));
}

} // namespace Accessibility
