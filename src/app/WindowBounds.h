#pragma once
#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

// The main window's bounds as the settings file keeps them: outer bounds, the
// window manager's frame included. The frame is not known before the window
// manager has framed the window (and there may be no frame at all), so the
// bounds read are kept as read: a start and close without a move or resize by
// the user writes the same numbers back, whatever frame was added. Bounds that
// could not be used as read (larger than the screen, or off it) are fitted to
// the screen first, and it is the fitted bounds that go back, so that a bad
// value costs one start, not every start.
class WindowBounds {
public:
    // Smallest outer size of the window.
    static constexpr int MinWidth = 330;
    static constexpr int MinHeight = 136;
    // How much of the window must lie on the screen, across and below its
    // top edge, for the user to take hold of its title bar.
    static constexpr int Grip = 64;

    // A screen: all of it, and the part windows may take (without panels).
    struct Screen {
        QRect geometry;
        QRect available;
    };

    // Outer bounds of any 32-bit values made usable on these screens (the
    // primary first): at least the minimum size, no larger than the available
    // area of the screen they fall on (the primary when none), and moved
    // wholly onto it when they had to shrink or could not be taken hold of.
    // Bounds that are usable stay as they are. With no screen at all they are
    // only kept within what a window can have.
    static QRect fitted(int left, int top, int width, int height, const QList<Screen>& screens);

    // Takes the outer bounds read from the settings, fitted to the screens,
    // and forgets where the window had come to rest.
    QRect read(int left, int top, int width, int height, const QList<Screen>& screens = {});
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
