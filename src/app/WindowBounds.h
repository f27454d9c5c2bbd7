#pragma once
#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

// The main window's bounds as the settings file keeps them: outer bounds, the
// window manager's frame included. The frame is not known before the window
// manager has framed the window (and there may be no frame at all), so the
// bounds read are kept as read: a start and close without a move or resize by
// the user writes the same numbers back, whatever frame was added.
class WindowBounds {
public:
    // Smallest outer size of the window.
    static constexpr int MinWidth = 330;
    static constexpr int MinHeight = 136;

    // Takes the outer bounds read from the settings, enlarged to the minimum
    // size, and forgets where the window had come to rest.
    QRect read(int left, int top, int width, int height);
    bool hasRead() const { return m_read.has_value(); }
    QRect asRead() const { return m_read.value_or(QRect()); }

    // An outer size no smaller than the minimum.
    static QSize atLeastMinimum(QSize outer);
    // The inner geometry that gives the outer bounds under a frame of these
    // widths, never below 1 x 1.
    static QRect innerFor(const QRect& outer, const QMargins& frame);

    // The inner geometry to ask for so that the bounds read are the outer
    // bounds under a frame of these widths; remembers the frame.
    QRect requestUnder(const QMargins& frame);
    // The window came to rest at this inner geometry by applying the bounds read.
    void settle(const QRect& inner) { m_settled = inner; }
    // The frame is now this wide around a window of this inner size. True
    // when the bounds read are to be applied again: the frame is new (the
    // window manager has just framed the window, or framed it anew) and the
    // window still has the size they gave it, so the user has not resized it.
    bool frameChanged(const QMargins& frame, const QSize& innerSize);
    bool hasSettled() const { return m_settled.has_value(); }
    QRect settledAt() const { return m_settled.value_or(QRect()); }

    // What the settings file gets at close: the bounds read while the window
    // is still where it came to rest, else its outer bounds now.
    QRect toWrite(const QRect& inner, const QRect& outer) const;

private:
    std::optional<QRect> m_read;
    std::optional<QRect> m_settled;
    QMargins m_frame;
};
