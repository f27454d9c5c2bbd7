#pragma once
#include "BigTextSource.h"
#include "ByteFinder.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

// A forward search for one text (exact, case-sensitive, each look-alike pair
// one character: see LookAlike) through the parts of
// a big text. It can go on over parts that come later, such as the rest of a
// file that is still being indexed: what it carries from one call to the next
// finds a hit that runs on across the seam. It reads only the span it is
// given, so a worker may run it while the document goes on being used.
class BigTextSearch {
public:
    static constexpr qint64 kCancelled = -2;

    // codec: of the file the parts come from, for looking at raw bytes first;
    // null when the parts are all in memory.
    BigTextSearch(const QString& what, const TextCodec* codec);

    // Characters of the text as searched (line ends made one '\n' each).
    qsizetype size() const { return m_needle.size(); }

    // A part's text when the caller has it decoded already (null otherwise).
    using Cached = std::function<std::shared_ptr<const BigTextScan::Decoded>(const BigTextPart&)>;

    // The first hit that starts in [from, to) and ends by to in the parts of
    // span, each part counted into done as it is passed. more: whether parts
    // may follow the span's last one. Returns the hit, -1 when the span holds
    // none (the next call goes on with the part after it), kCancelled when
    // cancel was set.
    qint64 run(const BigTextSpan& span, qint64 from, qint64 to, bool more, const std::atomic<bool>* cancel = nullptr,
               std::atomic<qint64>* done = nullptr, const Cached& cached = {});

private:
    qsizetype indexIn(QStringView text, qsizetype from) const;
    bool runsOn(const BigTextSpan& span, size_t index, const char* bytes, qint64 size, bool more) const;

    QString m_needle;
    bool m_hasNewline = false;
    bool m_lookAlike = false; // m_needle holds a look-alike, in its one form
    bool m_byBytes = false;
    QByteArray m_form;
    ByteFinder m_finder{QByteArray()};
    QString m_carry; // the last size() - 1 characters before the next part, when a hit may run on
    qint64 m_carryStart = 0;
    std::vector<char> m_raw;
};
