#include "FindDialog.h"

#include "OneLine.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

FindDialog::FindDialog(Messages& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_text(new QLineEdit(this)),
      m_find(new QPushButton(QStringLiteral("次を検索"), this)),
      m_cancel(new QPushButton(QStringLiteral("キャンセル"), this))
{
    setObjectName(QStringLiteral("FindDlg"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);
    auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    label->setBuddy(m_text);
    m_text->setObjectName(QStringLiteral("FindText"));
    OneLine::keep(m_text, messages);
    m_find->setObjectName(QStringLiteral("FindNext"));
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    m_find->setDefault(true);
    m_find->setEnabled(false);
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_text, 0, 1);
    grid->addWidget(m_find, 0, 2);
    grid->addWidget(m_cancel, 1, 2);
    grid->setColumnMinimumWidth(1, 180);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& t) { m_find->setEnabled(!t.isEmpty()); });
    connect(m_find, &QPushButton::clicked, this, &FindDialog::findNext);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::hide);
    setFixedSize(sizeHint());
}

QString FindDialog::findText() const { return m_text->text(); }
void FindDialog::setFindText(const QString& text) { m_text->setText(text); }

void FindDialog::showBeside(QWidget* window)
{
    if (!m_placed && window) {
        // Right of the window when there is room on its screen, else left of
        // it, else over its right edge.
        const QRect frame = window->frameGeometry();
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
        const QSize size = frameGeometry().size().expandedTo(sizeHint());
        int x = frame.right() + 1;
        if (x + size.width() > avail.right()) x = frame.left() - size.width();
        if (x < avail.left()) x = std::max(avail.left(), frame.right() - size.width());
        const int y = std::clamp(frame.top(), avail.top(), std::max(avail.top(), avail.bottom() - size.height()));
        move(x, y);
        m_placed = true;
    }
    show();
    raise();
    m_wantActive = !isActiveWindow();
    if (QWindow* w = windowHandle()) w->installEventFilter(this);
    activateWindow();
    m_text->setFocus();
    m_text->selectAll();
}

bool FindDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Hide) m_wantActive = false;
    return QDialog::event(event);
}

bool FindDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && m_wantActive && watched == windowHandle() && windowHandle()->isExposed() &&
        !isActiveWindow()) {
        activateWindow();
        m_text->setFocus();
    }
    return QDialog::eventFilter(watched, event);
}
