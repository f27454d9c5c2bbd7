#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Splits the bytes of a settings file into lines as they arrive, so that a file
// is never held whole: CR LF, a lone CR and a lone LF each end a line, a line
// keeps at most MaxLineBytes of its bytes (the rest is skipped), a file that
// starts with a UTF-8 byte-order mark is UTF-8 (the mark is no part of line 0),
// and a last line without an end counts only when it is not empty.
//
// The sink gets each line's bytes (valid only during the call) and returns
// false to stop the reading: whatever follows is then never looked at.
class LineSplitter {
public:
    static constexpr qsizetype MaxLineBytes = 4096;
    using Sink = std::function<bool(QByteArrayView line)>;

    explicit LineSplitter(Sink sink) : m_sink(std::move(sink)) {}

    // Feeds the next bytes; false once the sink has stopped the reading.
    bool feed(QByteArrayView bytes);
    // The end of the file: hands over a last line without an end.
    void finish();
    // Whether the bytes are UTF-8 (known once 3 bytes or the end have come).
    bool utf8() const { return m_utf8; }
    bool stopped() const { return m_stopped; }

private:
    void start();
    void scan(QByteArrayView bytes);
    bool deliver(QByteArrayView line, bool longer);
    void keep(QByteArrayView part);
    void endLine(QByteArrayView rest);

    Sink m_sink;
    QByteArray m_head;      // the first bytes, until the byte-order mark is decided
    QByteArray m_partial;   // the kept bytes of a line begun in an earlier feed
    bool m_longer = false;  // the current line has more bytes than are kept
    bool m_afterCr = false; // the last byte seen was a CR (a LF next belongs to it)
    bool m_started = false;
    bool m_utf8 = false;
    bool m_stopped = false;
};

// Reads a file in chunks through a splitter, at most `maxBytes` of it (a file
// that is not a regular one, a device say, is read no further either). False
// when it cannot be opened or read; nothing is handed over for a file that
// cannot be opened, and the lines of a file whose reading fails half way are
// the caller's to drop. Ends with finish() unless the sink stopped first.
bool splitFile(const QString& path, LineSplitter& splitter, qint64 maxBytes);
