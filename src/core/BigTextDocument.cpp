#include "BigTextDocument.h"

#include "FsPath.h"
#include "VarError.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<quint64> g_nextId{1};
quint64 newId() { return g_nextId.fetch_add(1, std::memory_order_relaxed); }

// Text held in memory is kept in pieces of about this many characters, so that
// an edit copies little and a line lookup stays short.
constexpr qint64 kPieceChars = 32 * 1024;
constexpr qint64 kMaxPieceChars = 128 * 1024;
// Decoded file blocks kept for painting and lookups.
constexpr qint64 kCacheChars = 4 << 20;
// Bulk reads (copying a whole file) pass the cache by.
constexpr qint64 kBulkChars = 1 << 20;

// Makes d hold exactly the counts the scan found, after the file changed under
// us: its lines are kept as far as they fit, the rest is blank.
void conform(BigTextScan::Decoded& d, qint64 chars, qint64 newlines, bool endsWithNewline)
{
    const qint64 segments = newlines + (endsWithNewline ? 0 : 1);
    qint64 budget = chars - newlines;
    const QStringList old = d.text.split(u'\n');
    QString out;
    out.reserve(chars);
    for (qint64 r = 0; r < segments; ++r) {
        if (r < old.size()) {
            const qint64 take = std::min<qint64>(old[r].size(), budget);
            out += QStringView(old[r]).left(take);
            budget -= take;
        }
        if (r + 1 < segments || endsWithNewline) out += u'\n';
    }
    if (budget > 0) out.insert(endsWithNewline ? out.size() - 1 : out.size(), QString(budget, u' '));
    d.text = out;
    d.index();
}

} // namespace

BigTextDocument::BigTextDocument() { reset(); }

BigTextDocument::~BigTextDocument()
{
    if (m_fd >= 0) ::close(m_fd);
}

void BigTextDocument::reset()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_codec.reset();
    m_pieces.clear();
    Piece empty;
    empty.own = std::make_shared<Decoded>();
    empty.own->index();
    empty.id = newId();
    m_pieces.push_back(std::move(empty));
    m_cache.clear();
    m_cacheIndex.clear();
    m_cacheChars = 0;
    m_validPrefix = 0;
    ++m_revision;
}

void BigTextDocument::clear() { reset(); }

void BigTextDocument::open(const QString& path, TextEncoding encoding)
{
    reset();
    const QByteArray name = FsPath::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw VarError::cannotOpen(path);
    open(fd, path, encoding);
}

void BigTextDocument::open(int fd, const QString& path, TextEncoding encoding)
{
    reset();
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw VarError::cannotOpen(path);
    }

    if (!S_ISREG(st.st_mode) || encoding == TextEncoding::Iso2022Jp) {
        // Small in practice: ISO-2022-JP (whose bytes mean nothing without the
        // escapes before them) and pipes or devices are read and decoded whole,
        // through the same descriptor, a regular file up to the size it had
        // when examined and a stream up to a bound of its own.
        QByteArray bytes;
        try {
            if (S_ISREG(st.st_mode)) {
                bytes.resize(qsizetype(st.st_size));
                bytes.resize(qsizetype(BigTextScan::readAt(fd, 0, bytes.data(), st.st_size)));
            } else {
                bytes = BigTextScan::readStream(fd, kMaxStreamBytes);
            }
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        QString text;
        const int bom = TextCodec::bomLength(encoding, bytes.constData(), bytes.size());
        TextCodec::create(encoding)->decode(bytes.constData() + bom, bytes.size() - bom, text);
        setText(text);
        m_encoding = encoding;
        return;
    }

    auto codec = TextCodec::create(encoding);
    std::vector<BigTextScan::Block> blocks;
    try {
        char head[4];
        const qint64 got = BigTextScan::readAt(fd, 0, head, sizeof head);
        const int bom = TextCodec::bomLength(encoding, head, got);
        blocks = BigTextScan::scan(fd, bom, st.st_size, *codec);
    } catch (...) {
        ::close(fd);
        throw;
    }

    m_pieces.clear();
    m_pieces.reserve(blocks.size());
    for (const auto& b : blocks) {
        Piece p;
        p.offset = b.offset;
        p.bytes = b.bytes;
        p.chars = b.chars;
        p.newlines = b.newlines;
        p.endsWithNewline = b.endsWithNewline;
        p.id = newId();
        m_pieces.push_back(std::move(p));
    }
    if (m_pieces.empty()) {
        Piece empty;
        empty.own = std::make_shared<Decoded>();
        empty.own->index();
        empty.id = newId();
        m_pieces.push_back(std::move(empty));
    }
    m_fd = fd;
    m_codec = std::move(codec);
    m_encoding = encoding;
    m_validPrefix = 0;
    ++m_revision;
}

void BigTextDocument::setText(const QString& text)
{
    reset();
    QString t = text;
    BigTextScan::normalize(t);
    m_pieces = piecesOf(std::move(t));
    m_validPrefix = 0;
    ++m_revision;
}

// ---------------------------------------------------------------- index

qint64 BigTextDocument::piecesLines(int index) const
{
    const Piece& p = m_pieces[size_t(index)];
    const bool last = index + 1 == int(m_pieces.size());
    return p.newlines + ((!p.endsWithNewline || last) ? 1 : 0);
}

void BigTextDocument::invalidate(int from)
{
    m_validPrefix = std::min(m_validPrefix, size_t(std::max(1, from)));
}

void BigTextDocument::ensurePrefix() const
{
    const size_t n = m_pieces.size();
    if (m_starts.size() != n + 1) {
        m_starts.resize(n + 1);
        m_firstLines.resize(n + 1);
    }
    if (m_validPrefix == 0) {
        m_starts[0] = 0;
        m_firstLines[0] = 0;
        m_validPrefix = 1;
    }
    for (size_t i = m_validPrefix - 1; i < n; ++i) {
        m_starts[i + 1] = m_starts[i] + m_pieces[i].chars;
        m_firstLines[i + 1] = m_firstLines[i] + piecesLines(int(i));
    }
    m_validPrefix = n + 1;
}

qint64 BigTextDocument::length() const
{
    ensurePrefix();
    return m_starts.back();
}

qint64 BigTextDocument::lineCount() const
{
    ensurePrefix();
    return m_firstLines.back();
}

BigTextDocument::Block BigTextDocument::block(int index) const
{
    ensurePrefix();
    Block b;
    b.start = m_starts[size_t(index)];
    b.length = m_pieces[size_t(index)].chars;
    b.firstLine = m_firstLines[size_t(index)];
    b.lines = piecesLines(index);
    b.id = m_pieces[size_t(index)].id;
    return b;
}

int BigTextDocument::blockAt(qint64 pos) const
{
    ensurePrefix();
    const auto first = m_starts.begin() + 1;
    const auto last = m_starts.begin() + qsizetype(m_pieces.size());
    return int(std::upper_bound(first, last, pos) - m_starts.begin()) - 1;
}

int BigTextDocument::blockOfLine(qint64 line) const
{
    ensurePrefix();
    const auto first = m_firstLines.begin() + 1;
    const auto last = m_firstLines.begin() + qsizetype(m_pieces.size());
    return int(std::upper_bound(first, last, line) - m_firstLines.begin()) - 1;
}

qint64 BigTextDocument::indexBytes() const
{
    return qint64(m_pieces.capacity() * sizeof(Piece) + (m_starts.capacity() + m_firstLines.capacity()) * 8);
}

// ---------------------------------------------------------------- decoding

BigTextDocument::Decoded BigTextDocument::readPiece(const Piece& piece) const
{
    std::vector<char> bytes(size_t(piece.bytes));
    qint64 got = 0;
    try {
        got = BigTextScan::readAt(m_fd, piece.offset, bytes.data(), piece.bytes);
    } catch (const VarError&) {
        got = 0; // shown blank, like a part cut off the file
    }
    Decoded d = BigTextScan::decode(*m_codec, bytes.data(), got);
    if (d.text.size() != piece.chars || d.newlines() != piece.newlines
        || d.endsWithNewline() != piece.endsWithNewline)
        conform(d, piece.chars, piece.newlines, piece.endsWithNewline);
    return d;
}

BigTextDocument::DecodedPtr BigTextDocument::fetch(int index, bool keep) const
{
    const Piece& p = m_pieces[size_t(index)];
    if (p.own) return p.own;
    if (auto it = m_cacheIndex.find(p.offset); it != m_cacheIndex.end()) {
        m_cache.splice(m_cache.begin(), m_cache, it->second);
        return it->second->second;
    }
    auto d = std::make_shared<const Decoded>(readPiece(p));
    if (keep) {
        m_cache.emplace_front(p.offset, d);
        m_cacheIndex[p.offset] = m_cache.begin();
        m_cacheChars += d->text.size();
        while (m_cacheChars > kCacheChars && m_cache.size() > 8) {
            m_cacheChars -= m_cache.back().second->text.size();
            m_cacheIndex.erase(m_cache.back().first);
            m_cache.pop_back();
        }
    }
    return d;
}

BigTextDocument::DecodedPtr BigTextDocument::decoded(int index, bool keep) const { return fetch(index, keep); }

// ---------------------------------------------------------------- queries

qint64 BigTextDocument::lineOf(qint64 pos) const
{
    pos = std::clamp<qint64>(pos, 0, length());
    const int i = blockAt(pos);
    const qint64 off = pos - m_starts[size_t(i)];
    const DecodedPtr d = fetch(i, true);
    const auto r = std::upper_bound(d->lineStarts.begin(), d->lineStarts.end(), off) - d->lineStarts.begin() - 1;
    return m_firstLines[size_t(i)] + r;
}

qint64 BigTextDocument::lineStart(qint64 line) const
{
    if (line < 0 || line >= lineCount()) return -1;
    const int i = blockOfLine(line);
    const DecodedPtr d = fetch(i, true);
    return m_starts[size_t(i)] + d->lineStarts[size_t(line - m_firstLines[size_t(i)])];
}

qint64 BigTextDocument::lineLength(qint64 line) const
{
    if (line < 0 || line >= lineCount()) return 0;
    const int i = blockOfLine(line);
    const DecodedPtr d = fetch(i, true);
    const size_t r = size_t(line - m_firstLines[size_t(i)]);
    const qint64 end = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    return end - d->lineStarts[r];
}

QString BigTextDocument::lineText(qint64 line) const
{
    const qint64 start = lineStart(line);
    return start < 0 ? QString() : text(start, lineLength(line));
}

QString BigTextDocument::text(qint64 pos, qint64 len) const
{
    const qint64 total = length();
    pos = std::clamp<qint64>(pos, 0, total);
    len = std::clamp<qint64>(len, 0, total - pos);
    QString out;
    if (len == 0) return out;
    out.reserve(len);
    int i = blockAt(pos);
    qint64 off = pos - m_starts[size_t(i)];
    const bool keep = len < kBulkChars;
    for (; len > 0 && i < int(m_pieces.size()); ++i, off = 0) {
        const DecodedPtr d = fetch(i, keep);
        const qint64 take = std::min<qint64>(len, d->text.size() - off);
        if (take <= 0) continue;
        out.append(d->text.constData() + off, take);
        len -= take;
    }
    return out;
}

qint64 BigTextDocument::find(const QString& what, qint64 from, qint64 to) const
{
    QString needle = what;
    BigTextScan::normalize(needle);
    const qint64 total = length();
    from = std::clamp<qint64>(from, 0, total);
    to = to < 0 ? total : std::clamp<qint64>(to, from, total);
    if (needle.isEmpty() || to - from < needle.size()) return -1;
    return findInPieces(needle, from, to);
}

// Whether the byte form may run on from the end of piece index (whose bytes
// are given) into the next piece: only a next piece that follows it in the file
// is examined; anything else may.
bool BigTextDocument::runsOn(int index, const char* bytes, qint64 size, const QByteArray& form) const
{
    const qint64 tail = form.size() - 1;
    if (tail <= 0) return false;
    if (index + 1 >= int(m_pieces.size())) return false;
    const Piece& p = m_pieces[size_t(index)];
    const Piece& next = m_pieces[size_t(index) + 1];
    if (next.own || next.offset != p.offset + p.bytes || size != p.bytes) return true;
    QByteArray joint(bytes + std::max<qint64>(0, size - tail), qsizetype(std::min(size, tail)));
    const qsizetype have = joint.size();
    joint.resize(have + tail);
    qint64 got = 0;
    try {
        got = BigTextScan::readAt(m_fd, next.offset, joint.data() + have, tail);
    } catch (const VarError&) {
        return true;
    }
    joint.resize(qsizetype(have + got));
    return joint.contains(form);
}

qint64 BigTextDocument::findInPieces(const QString& needle, qint64 from, qint64 to) const
{
    const qsizetype m = needle.size();
    const bool hasNewline = needle.contains(u'\n');
    // Where the needle has one byte form, raw blocks are searched as bytes and
    // only blocks holding that form are decoded to confirm the hit.
    QByteArray form;
    const bool byBytes = isFile() && !hasNewline && m_codec->uniqueBytes(needle, &form) && !form.isEmpty();
    std::vector<char> raw;

    // The last m - 1 characters before the current block, when a hit may run on
    // across its start.
    QString carry;
    qint64 carryStart = 0;
    auto accept = [&](qint64 pos) { return pos >= from && pos + m <= to; };

    for (int i = blockAt(from); i < int(m_pieces.size()) && m_starts[size_t(i)] < to; ++i) {
        const Piece& p = m_pieces[size_t(i)];
        const qint64 start = m_starts[size_t(i)];
        const qint64 off = std::max<qint64>(0, from - start);
        DecodedPtr d;
        if (byBytes && !p.own && carry.isEmpty() && !m_cacheIndex.count(p.offset)) {
            raw.resize(size_t(p.bytes));
            qint64 got = 0;
            try {
                got = BigTextScan::readAt(m_fd, p.offset, raw.data(), p.bytes);
            } catch (const VarError&) {
                got = p.bytes > 0 ? -1 : 0;
            }
            const bool candidate = got < 0 || memmem(raw.data(), size_t(got), form.constData(), size_t(form.size()));
            if (!candidate && (p.endsWithNewline || !runsOn(i, raw.data(), got, form))) continue;
        }
        d = fetch(i, false);
        const QStringView text(d->text);
        if (!carry.isEmpty()) {
            QString joint = carry;
            joint += text.left(m - 1);
            for (qsizetype k = joint.indexOf(needle); k >= 0 && k < carry.size(); k = joint.indexOf(needle, k + 1)) {
                if (accept(carryStart + k)) return carryStart + k;
                if (carryStart + k + m > to) return -1;
            }
        }
        const qsizetype k = text.indexOf(needle, off);
        if (k >= 0) return start + k + m <= to ? start + k : -1;
        if (m > 1 && (hasNewline || !p.endsWithNewline)) {
            if (text.size() >= m - 1) {
                carry = text.right(m - 1).toString();
            } else {
                carry += text;
                carry = carry.right(m - 1);
            }
            carryStart = start + text.size() - carry.size();
        } else {
            carry.clear();
        }
    }
    return -1;
}

// ---------------------------------------------------------------- edits

BigTextDocument::Decoded& BigTextDocument::materialize(int index)
{
    Piece& p = m_pieces[size_t(index)];
    if (!p.own) {
        p.own = std::make_shared<Decoded>(*fetch(index, false));
        if (auto it = m_cacheIndex.find(p.offset); it != m_cacheIndex.end()) {
            m_cacheChars -= it->second->second->text.size();
            m_cache.erase(it->second);
            m_cacheIndex.erase(it);
        }
    } else if (p.own.use_count() > 1) {
        // A view may still hold the old text; it keeps its copy.
        p.own = std::make_shared<Decoded>(*p.own);
    }
    return *p.own;
}

void BigTextDocument::refresh(int index)
{
    Piece& p = m_pieces[size_t(index)];
    p.own->index();
    p.chars = p.own->text.size();
    p.newlines = p.own->newlines();
    p.endsWithNewline = p.own->endsWithNewline();
    p.id = newId();
}

std::vector<BigTextDocument::Piece> BigTextDocument::piecesOf(QString text) const
{
    // Cut behind a line end near kPieceChars; a line longer than kMaxPieceChars
    // is cut without one (but never inside a surrogate pair).
    std::vector<qint64> cuts;
    const QStringView all(text);
    for (qint64 pos = 0; all.size() - pos > kMaxPieceChars;) {
        const qint64 target = pos + kPieceChars;
        qint64 cut = -1;
        const qsizetype ahead = all.mid(target - 1, pos + kMaxPieceChars - (target - 1)).indexOf(u'\n');
        if (ahead >= 0) {
            cut = target - 1 + ahead + 1;
        } else {
            const qsizetype back = all.mid(pos, target - pos).lastIndexOf(u'\n');
            cut = back >= 0 ? pos + back + 1 : target;
            if (back < 0 && all[cut - 1].isHighSurrogate()) --cut;
        }
        cuts.push_back(cut);
        pos = cut;
    }
    std::vector<Piece> pieces;
    pieces.reserve(cuts.size() + 1);
    qint64 begin = 0;
    cuts.push_back(text.size());
    for (qint64 end : cuts) {
        Piece p;
        p.own = std::make_shared<Decoded>();
        p.own->text = cuts.size() == 1 ? std::move(text) : QString(all.constData() + begin, end - begin);
        p.own->index();
        p.chars = p.own->text.size();
        p.newlines = p.own->newlines();
        p.endsWithNewline = p.own->endsWithNewline();
        p.id = newId();
        pieces.push_back(std::move(p));
        begin = end;
    }
    return pieces;
}

void BigTextDocument::splitLarge(int index)
{
    if (m_pieces[size_t(index)].chars <= kMaxPieceChars) return;
    Decoded& d = materialize(index);
    std::vector<Piece> parts = piecesOf(std::move(d.text));
    m_pieces.erase(m_pieces.begin() + index);
    m_pieces.insert(m_pieces.begin() + index, std::make_move_iterator(parts.begin()),
                    std::make_move_iterator(parts.end()));
}

// After an edit of piece index: a piece that no longer ends with a line end
// runs on into the next one, empty pieces go, large ones are cut.
void BigTextDocument::settle(int index)
{
    if (index < 0 || index >= int(m_pieces.size())) return;
    if (m_pieces[size_t(index)].chars == 0 && m_pieces.size() > 1) {
        m_pieces.erase(m_pieces.begin() + index);
        return;
    }
    if (index + 1 < int(m_pieces.size()) && !m_pieces[size_t(index)].endsWithNewline) {
        const DecodedPtr next = fetch(index + 1, false);
        Decoded& d = materialize(index);
        d.text += next->text;
        refresh(index);
        m_pieces.erase(m_pieces.begin() + index + 1);
    }
    splitLarge(index);
}

void BigTextDocument::insert(qint64 pos, const QString& text)
{
    QString t = text;
    BigTextScan::normalize(t);
    if (t.isEmpty()) return;
    pos = std::clamp<qint64>(pos, 0, length());
    const int i = blockAt(pos);
    const qint64 off = pos - m_starts[size_t(i)];
    Decoded& d = materialize(i);
    d.text.insert(off, t);
    refresh(i);
    settle(i);
    invalidate(i - 1);
    ++m_revision;
}

void BigTextDocument::remove(qint64 pos, qint64 len)
{
    const qint64 total = length();
    pos = std::clamp<qint64>(pos, 0, total);
    len = std::min(len, total - pos);
    if (len <= 0) return;
    const qint64 end = pos + len;
    const int b = blockAt(pos);
    const int e = blockAt(end - 1);
    const qint64 headKeep = pos - m_starts[size_t(b)];
    const qint64 tailCut = end - m_starts[size_t(e)];
    if (b == e) {
        Decoded& d = materialize(b);
        d.text.remove(headKeep, len);
        refresh(b);
        settle(b);
    } else {
        const bool keepHead = headKeep > 0;
        const bool keepTail = tailCut < m_pieces[size_t(e)].chars;
        if (keepTail) {
            Decoded& d = materialize(e);
            d.text.remove(0, tailCut);
            refresh(e);
        }
        if (keepHead) {
            Decoded& d = materialize(b);
            d.text.truncate(headKeep);
            refresh(b);
        }
        m_pieces.erase(m_pieces.begin() + (keepHead ? b + 1 : b), m_pieces.begin() + (keepTail ? e : e + 1));
        if (m_pieces.empty()) {
            Piece empty;
            empty.own = std::make_shared<Decoded>();
            empty.own->index();
            empty.id = newId();
            m_pieces.push_back(std::move(empty));
        }
        settle(keepHead ? b : b - 1);
    }
    invalidate(b - 1);
    ++m_revision;
}
