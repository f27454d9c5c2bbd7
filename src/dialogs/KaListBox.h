#pragma once
#include <QListWidget>
#include <QPoint>

// A list box whose items are reordered by dragging inside the dialog. A press
// with the left button reports itself (the owner decides whether it arms a
// drag); an armed drag starts once the mouse has moved DragThreshold pixels or
// more across or down with the button held. A release before that is an
// ordinary click.
class KaListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr int DragThreshold = 5;

    explicit KaListBox(QWidget* parent = nullptr);

    // Index of the item at a point of the viewport; -1 off the existing items.
    int itemIndexAt(const QPoint& pos) const;
    // Arms a drag from the press point (viewport coordinates).
    void beginDrag(const QPoint& pressPos);
    bool dragArmed() const { return m_armed; }
    bool dragging() const { return m_dragging; }
    void cancelDrag();
    // Rows as tall as the font needs, never less than the layout's 12 pixels.
    int rowHeight() const;

Q_SIGNALS:
    void mouseDown(Qt::MouseButton button, const QPoint& pos);
    // While a drag runs: the mouse is over this global point.
    void dragMoved(const QPoint& globalPos);
    // The button was released while a drag ran.
    void dropped(const QPoint& globalPos);
    void dragCancelled();
    // Alt+Up or Alt+Down: the keyboard's way to drag the current item one place.
    void keyMove(int from, int to);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void endDrag();

    QPoint m_pressPos;
    bool m_armed = false;
    bool m_dragging = false;
};
