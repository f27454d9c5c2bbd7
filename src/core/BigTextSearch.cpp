#include "BigTextSearch.h"

#include "LookAlike.h"
#include "VarError.h"

#include <algorithm>
#include <cstring>

BigTextSearch::BigTextSearch(const QString& what, const TextCodec* codec) : m_needle(what)
{
    BigTextScan::normalize(m_needle);
    m_hasNewline = m_needle.contains(u'\n');
    // A look-alike in the needle matches either of its forms: the text is
    // compared with the forms made one, and every block is decoded.
    m_lookAlike = LookAlike::any(m_needle);
    if (m_lookAlike) m_needle = LookAlike::folded(m_needle);
    // Where the text has one byte form, raw file blocks are searched as bytes
    // and only blocks holding that form are decoded to confirm the hit.
    m_byBytes = codec && !m_hasNewline && !m_lookAlike && codec->uniqueBytes(m_needle, &m_form) && !m_form.isEmpty();
    if (m_byBytes) m_finder = ByteFinder(m_form);
}

// Whether the byte form may run on from the end of part index (whose bytes
// are given) into the next part: only a next part that follows it in the file
// is examined; anything else may, and so may parts still to come.
bool BigTextSearch::runsOn(const BigTextSpan& span, size_t index, const char* bytes, qint64 size, bool more) const
{
    const qint64 tail = m_form.size() - 1;
    if (tail <= 0) return false;
    if (index + 1 >= span.parts.size()) return more;
    const BigTextPart& p = span.parts[index];
    const BigTextPart& next = span.parts[index + 1];
    if (next.own || next.offset != p.offset + p.bytes || size != p.bytes) return true;
    QByteArray joint(bytes + std::max<qint64>(0, size - tail), qsizetype(std::min(size, tail)));
    const qsizetype have = joint.size();
    joint.resize(have + tail);
    qint64 got = 0;
    try {
        got = BigTextScan::readAt(span.source->fd(), next.offset, joint.data() + have, tail);
    } catch (const VarError&) {
        return true;
    }
    joint.resize(qsizetype(have + got));
    return joint.contains(m_form);
}

qsizetype BigTextSearch::indexIn(QStringView text, qsizetype from) const
{
    return m_lookAlike ? LookAlike::indexIn(text, m_needle, from) : text.indexOf(m_needle, from);
}

qint64 BigTextSearch::run(const BigTextSpan& span, qint64 from, qint64 to, bool more, const std::atomic<bool>* cancel,
                          std::atomic<qint64>* done, const Cached& cached)
{
    const qsizetype m = m_needle.size();
    if (m == 0) return -1;
    auto accept = [&](qint64 pos) { return pos >= from && pos + m <= to; };

    qint64 start = span.start;
    for (size_t i = 0; i < span.parts.size(); start += span.parts[i].chars, ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return kCancelled;
        const BigTextPart& p = span.parts[i];
        if (done) done->fetch_add(p.chars, std::memory_order_relaxed);
        if (start >= to) return -1;
        if (start + p.chars <= from) { // no hit in range starts here
            m_carry.clear();
            continue;
        }
        const qint64 off = std::max<qint64>(0, from - start);
        std::shared_ptr<const BigTextScan::Decoded> d = cached ? cached(p) : nullptr;
        if (!d && m_byBytes && !p.own && m_carry.isEmpty()) {
            m_raw.resize(size_t(p.bytes));
            qint64 got = 0;
            try {
                got = BigTextScan::readAt(span.source->fd(), p.offset, m_raw.data(), p.bytes);
            } catch (const VarError&) {
                got = p.bytes > 0 ? -1 : 0;
            }
            // A block that is not the one indexed is decoded like a hit: what
            // it gives is not the file's, and the search is dropped.
            const bool candidate =
                got < 0 || !span.source->confirm(p, m_raw.data(), got) || m_finder.find(m_raw.data(), size_t(got));
            if (!candidate && (p.endsWithNewline || !runsOn(span, i, m_raw.data(), got, more))) continue;
        }
        if (!d) d = span.text(i);
        const QStringView text(d->text);
        if (!m_carry.isEmpty()) {
            QString joint = m_carry;
            joint += text.left(m - 1);
            for (qsizetype k = indexIn(joint, 0); k >= 0 && k < m_carry.size(); k = indexIn(joint, k + 1)) {
                if (accept(m_carryStart + k)) return m_carryStart + k;
                if (m_carryStart + k + m > to) return -1;
            }
        }
        const qsizetype k = indexIn(text, off);
        if (k >= 0) return start + k + m <= to ? start + k : -1;
        if (m > 1 && (m_hasNewline || !p.endsWithNewline)) {
            if (text.size() >= m - 1) {
                m_carry = text.right(m - 1).toString();
            } else {
                m_carry += text;
                m_carry = m_carry.right(m - 1);
            }
            m_carryStart = start + text.size() - m_carry.size();
        } else {
            m_carry.clear();
        }
    }
    return -1;
}
