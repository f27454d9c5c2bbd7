#pragma once
#include <QtGlobal>

// Where CP932 double-byte characters start, 64 bytes at a time, without
// looking at the bytes one by one. Given the mask of bytes that could lead a
// pair, a run of such bytes pairs up from its start (each lead takes the byte
// after it, so the starts sit at even distances from the run's start); a run
// that goes on past a window's end is carried into the next.
class Cp932Pairs {
public:
    // Bytes of this window that start a pair (the last one may take its
    // second byte from the next window).
    [[gnu::always_inline]] quint64 starts(quint64 lead)
    {
        constexpr quint64 kEven = 0x5555555555555555ULL;
        const quint64 continued = m_inRun ? lead & ~(lead + 1) : 0;
        const quint64 runs = lead & ~continued;
        const quint64 first = runs & ~(runs << 1);
        quint64 evenRuns = runs & ~(runs + (first & kEven));
        quint64 oddRuns = runs & ~(runs + (first & ~kEven));
        (m_runOdd ? oddRuns : evenRuns) |= continued;
        m_inRun = lead >> 63;
        if (m_inRun && !(continued >> 63)) m_runOdd = (oddRuns >> 63) & 1;
        return (evenRuns & kEven) | (oddRuns & ~kEven);
    }
    // The window before ended inside a run of lead candidates: a window with
    // none of its own must still be looked at.
    bool inRun() const { return m_inRun; }

private:
    bool m_inRun = false;  // the window before ended inside a run
    bool m_runOdd = false; // ... that started at an odd offset
};
