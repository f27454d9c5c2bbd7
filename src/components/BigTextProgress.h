#pragma once
#include <QFrame>
#include <QPointer>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

// A strip along the bottom of a text view that shows a long operation: what
// it does and how far it has come. It appears only when the operation lasts
// longer than a moment, and while it shows, Escape anywhere in the program
// (no modal window open) asks to cancel.
class BigTextProgress : public QFrame {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 500;

    explicit BigTextProgress(QWidget* parent);
    ~BigTextProgress() override;

    // Starts showing text after kDelayMs; value gives the progress (0 to 1).
    void begin(const QString& text, std::function<double()> value);
    // The operation ended: hidden, or never shown.
    void end();
    bool shown() const { return isVisible(); }
    // Keeps the strip along the bottom of area (in the parent's coordinates).
    void place(const QRect& area);

Q_SIGNALS:
    void cancelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appear();
    void refresh();

    QLabel* m_label;
    QProgressBar* m_bar;
    QTimer m_delay;
    QTimer m_tick;
    std::function<double()> m_value;
    QRect m_area;
    bool m_filtering = false;
};
