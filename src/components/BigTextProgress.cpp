#include "BigTextProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>

BigTextProgress::BigTextProgress(QWidget* parent)
    : QFrame(parent), m_label(new QLabel(this)), m_bar(new QProgressBar(this))
{
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->addWidget(m_label);
    row->addWidget(m_bar, 1);
    auto* hint = new QLabel(QStringLiteral("Esc キーで中止"), this);
    row->addWidget(hint);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    m_tick.setInterval(100);
    connect(&m_delay, &QTimer::timeout, this, &BigTextProgress::appear);
    connect(&m_tick, &QTimer::timeout, this, &BigTextProgress::refresh);
    hide();
}

BigTextProgress::~BigTextProgress()
{
    if (m_filtering) qApp->removeEventFilter(this);
}

void BigTextProgress::begin(const QString& text, std::function<double()> value)
{
    m_label->setText(text);
    // A screen reader names the bar after what is under way, not "progress bar".
    m_bar->setAccessibleName(text);
    m_value = std::move(value);
    if (!isVisible() && !m_delay.isActive()) m_delay.start();
    if (isVisible()) refresh();
}

void BigTextProgress::end()
{
    m_delay.stop();
    m_tick.stop();
    m_value = nullptr;
    hide();
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
}

void BigTextProgress::place(const QRect& area)
{
    m_area = area;
    const int h = sizeHint().height();
    setGeometry(area.left(), area.bottom() + 1 - h, area.width(), h);
}

void BigTextProgress::appear()
{
    refresh();
    place(m_area);
    show();
    raise();
    m_tick.start();
    if (!m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
}

void BigTextProgress::refresh()
{
    if (m_value) m_bar->setValue(int(std::clamp(m_value(), 0.0, 1.0) * 1000));
}

bool BigTextProgress::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && isVisible()
        && !QApplication::activeModalWidget()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            if (type == QEvent::KeyPress) Q_EMIT cancelRequested();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
