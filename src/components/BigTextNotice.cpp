#include "BigTextNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

BigTextNotice::BigTextNotice(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(QStringLiteral("ファイルが変更されました。"), this)),
      m_reload(new QToolButton(this))
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 2, 2);
    row->addWidget(m_label, 1);
    m_reload->setText(QStringLiteral("再読み込み"));
    m_reload->setFocusPolicy(Qt::NoFocus);
    row->addWidget(m_reload);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAccessibleName(QStringLiteral("閉じる"));
    close->setToolTip(QStringLiteral("閉じる"));
    close->setFocusPolicy(Qt::NoFocus);
    close->setAutoRaise(true);
    row->addWidget(close);
    connect(m_reload, &QToolButton::clicked, this, &BigTextNotice::reloadRequested);
    connect(close, &QToolButton::clicked, this, &BigTextNotice::dismiss);
    hide();
}

void BigTextNotice::tell(bool offerReload)
{
    m_reload->setVisible(offerReload);
    if (m_shown) return;
    m_shown = true;
    show();
    Q_EMIT shownChanged();
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
