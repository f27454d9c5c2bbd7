#include "BigTextNotice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

const QString& reloadTip()
{
    static const QString tip = QStringLiteral("F5 キーでも再読み込みできます。");
    return tip;
}

// To a screen reader the strip is an alert, named by what it says.
QAccessibleInterface* accessibleNotice(const QString& key, QObject* object)
{
    if (key != QLatin1String("BigTextNotice") || !object || !object->isWidgetType()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

} // namespace

BigTextNotice::BigTextNotice(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(this)), m_reload(new QToolButton(this))
{
    static const bool installed = (QAccessible::installFactory(accessibleNotice), true);
    Q_UNUSED(installed);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 2, 2);
    row->addWidget(m_label, 1);
    m_reload->setText(QStringLiteral("再読み込み"));
    m_reload->setToolTip(reloadTip());
    m_reload->setFocusPolicy(Qt::TabFocus);
    row->addWidget(m_reload);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAccessibleName(QStringLiteral("閉じる"));
    close->setToolTip(QStringLiteral("閉じる"));
    close->setFocusPolicy(Qt::TabFocus);
    close->setAutoRaise(true);
    row->addWidget(close);
    // Right after the text in the Tab order.
    setTabOrder(parent, m_reload);
    setTabOrder(m_reload, close);
    connect(m_reload, &QToolButton::clicked, this, &BigTextNotice::reloadRequested);
    connect(close, &QToolButton::clicked, this, [this] {
        // The focus goes back to the text rather than to nowhere.
        if (QWidget* f = QApplication::focusWidget(); f && isAncestorOf(f)) parentWidget()->setFocus(Qt::OtherFocusReason);
        dismiss();
        Q_EMIT closed();
    });
    hide();
}

void BigTextNotice::tell(const QString& text, bool offerReload)
{
    const bool same = m_shown && text == m_label->text() && offerReload == reloadOffered();
    m_label->setText(text);
    setAccessibleName(text);
    m_reload->setVisible(offerReload);
    setToolTip(offerReload ? reloadTip() : QString());
    if (same) return;
    if (!m_shown) {
        m_shown = true;
        show();
        Q_EMIT shownChanged();
    }
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void BigTextNotice::dismiss()
{
    if (!m_shown) return;
    m_shown = false;
    hide();
    Q_EMIT shownChanged();
}

bool BigTextNotice::reloadOffered() const { return m_shown && !m_reload->isHidden(); }

QString BigTextNotice::text() const { return m_shown ? m_label->text() : QString(); }
