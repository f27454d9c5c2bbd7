#pragma once
#include <QtGlobal>

#include <climits>

class BigTextDocument;

// The part of a big text a screen reader is shown. The bridge to readers
// counts characters in 32 bits, so a text longer than that is shown as a
// window of it: a range of at most a gigacharacter around the caret, starting
// and ending at line starts where the lines allow (so the caret's line is
// whole), with offsets counted from its start. The window stays where it is
// while the caret is inside it and is centred on the caret again when the
// caret leaves it. A text that fits is shown whole, offsets being positions.
//
// It follows edits (removing(), inserted()) so that what it shows keeps its
// offsets; a move is the owner's to tell a reader of.
class AccessibleWindow {
public:
    // Longest text shown whole, and the most a window holds. Both can be
    // lowered for a test (setLimits), which then resets them in its cleanup.
    static constexpr qint64 kThreshold = INT_MAX;
    static constexpr qint64 kSize = qint64(1) << 30;
    static void setLimits(qint64 threshold, qint64 size);
    static void resetLimits() { setLimits(kThreshold, kSize); }

    qint64 start() const { return m_start; }
    qint64 end() const { return m_end; }
    // Brings the window to the text and the caret as they are now.
    void follow(const BigTextDocument& doc, qint64 caret);
    // The text was replaced: the window is placed afresh around the caret.
    void restart(const BigTextDocument& doc, qint64 caret);
    // length characters at pos are about to go / have come.
    void removing(qint64 pos, qint64 length);
    void inserted(qint64 pos, qint64 length);

private:
    void centre(const BigTextDocument& doc, qint64 caret);
    static qint64 endFrom(const BigTextDocument& doc, qint64 start, qint64 caret);

    qint64 m_start = 0;
    qint64 m_end = 0;
    bool m_windowed = false;   // the text is longer than a reader can count
    bool m_toEnd = false;      // the window ends where the text ends (and grows with it)
    // What the window was fitted to: a document revision and a caret.
    quint64 m_revision = 0;
    qint64 m_caret = -1;
};
