#include "BigTextDocument.h"
#include "BigTextPieces.h"

#include "BigTextSearch.h"
#include "VarError.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>

#include <sys/stat.h>
#include <unistd.h>

using namespace BigTextPieces;


BigTextDocument::BigTextDocument() { reset(); }

BigTextDocument::~BigTextDocument() = default;

void BigTextDocument::reset()
{
    m_source.reset();
    m_indexedEnd = m_fileEnd = 0;
    m_exact = true;
    m_shiftState = 0;
    m_correctAt = 0;
    m_pieces.clear();
    m_pieces.push_back(emptyPart());
    m_cache.clear();
    m_cacheIndex.clear();
    m_cacheChars = 0;
    m_validPrefix = 0;
    ++m_revision;
    ++m_editRevision;
}

void BigTextDocument::clear() { reset(); }

bool BigTextDocument::openSmall(int fd, const QString& path, TextEncoding encoding, qint64* size)
{
    reset();
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw VarError::cannotOpen(path);
    }
    *size = st.st_size;
    if (S_ISREG(st.st_mode)) return false;

    // Pipes and devices are read and decoded whole, through the same
    // descriptor, up to a bound of their own.
    QByteArray bytes;
    try {
        bytes = BigTextScan::readStream(fd, kMaxStreamBytes);
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
    return true;
}

void BigTextDocument::openHead(int fd, const QString& path, TextEncoding encoding, qint64 headBytes)
{
    qint64 size = 0;
    if (openSmall(fd, path, encoding, &size)) return;

    auto source = std::make_shared<const BigTextSource>(fd, TextCodec::create(encoding), path);
    if (source->size() >= 0) size = source->size(); // the size the source verifies against
    std::vector<BigTextScan::Block> blocks;
    char head[4];
    const qint64 got = BigTextScan::readAt(fd, 0, head, sizeof head);
    const int bom = TextCodec::bomLength(encoding, head, got);
    BigTextScan::ScanControl control;
    control.stopAfter = headBytes < 0 ? -1 : std::max<qint64>(headBytes, 1);
    const qint64 end = BigTextScan::scanRange(fd, bom, size, source->codec(), blocks, control);

    m_pieces.clear();
    m_source = std::move(source);
    m_encoding = encoding;
    m_fileEnd = size;
    m_indexedEnd = bom;
    appendPieces(blocks);
    m_indexedEnd = end;
    m_validPrefix = 0;
    ++m_revision;
    ++m_editRevision;
}

void BigTextDocument::appendPieces(const std::vector<BigTextScan::Block>& blocks)
{
    if (m_pieces.size() == 1 && m_pieces[0].chars == 0 && !blocks.empty()) m_pieces.clear(); // the empty start
    // Grown a batch at a time: room is made ahead, or every batch would copy them all.
    if (m_pieces.capacity() < m_pieces.size() + blocks.size())
        m_pieces.reserve(std::max(m_pieces.size() + blocks.size(), m_pieces.capacity() * 2));
    const size_t first = m_pieces.size();
    for (const auto& b : blocks) {
        Piece p;
        p.offset = b.offset;
        p.bytes = b.bytes;
        p.chars = b.chars;
        p.newlines = b.newlines;
        p.endsWithNewline = b.endsWithNewline;
        p.exact = b.exact;
        p.state = b.state;
        p.digest = b.digest;
        if (b.guess) {
            // Counted from an assumed state: the block follows what was
            // appended last, whose end state is known; if that is not what was
            // assumed, its count is checked again from the right one.
            const TextCodec::State start = TextCodec::State((b.state & ~b.guess) | (m_shiftState & b.guess));
            if (start != b.state) p.exact = false;
            p.state = start;
            m_shiftState = TextCodec::State((b.endState & ~b.endGuess) | (start & b.endGuess));
        } else {
            m_shiftState = b.endState;
        }
        if (!p.exact) m_exact = false;
        p.id = newId();
        m_pieces.push_back(std::move(p));
        m_indexedEnd = b.offset + b.bytes;
    }
    if (m_source && !blocks.empty()) m_source->indexed(m_pieces[first], m_pieces.back());
    if (m_pieces.empty()) {
        m_pieces.push_back(emptyPart());
    }
}

void BigTextDocument::appendBlocks(const std::vector<BigTextScan::Block>& blocks)
{
    if (blocks.empty() || isComplete()) return;
    const int last = int(m_pieces.size()) - 1;
    const bool wasEmpty = last == 0 && m_pieces[0].chars == 0;
    appendPieces(blocks);
    Piece& before = m_pieces[size_t(last)];
    if (wasEmpty) {
        ++m_editRevision;
    } else if (before.own && !before.endsWithNewline) {
        // Text typed at the very end of the part indexed so far runs on into what follows.
        settle(last);
        ++m_editRevision;
    } else {
        // Its last line is no longer the text's last: another count of lines.
        before.id = newId();
    }
    invalidate(last);
    ++m_revision;
}

std::pair<qint64, qint64> BigTextDocument::correctBlock(quint64 id, qint64 chars)
{
    // Corrections come in file order: look on from the last one.
    const size_t n = m_pieces.size();
    size_t i = m_correctAt < n ? m_correctAt : 0;
    for (size_t k = 0; k < n && m_pieces[i].id != id; ++k) i = i + 1 < n ? i + 1 : 0;
    Piece& p = m_pieces[i];
    if (p.id != id || p.own) return {0, 0};
    m_correctAt = i;
    ensurePrefix();
    const qint64 start = m_starts[i];
    const qint64 delta = chars - p.chars;
    if (auto it = m_cacheIndex.find(p.offset); it != m_cacheIndex.end()) {
        m_cacheChars -= it->second->second->text.size();
        m_cache.erase(it->second);
        m_cacheIndex.erase(it);
    }
    p.chars = chars;
    p.exact = true;
    p.id = newId();
    invalidate(int(i));
    ++m_revision;
    ++m_editRevision;
    return {start, delta};
}

void BigTextDocument::finishIndex()
{
    if (isComplete()) return;
    m_fileEnd = m_indexedEnd;
}

void BigTextDocument::setText(const QString& text)
{
    reset();
    QString t = text;
    BigTextScan::normalize(t);
    m_pieces = piecesOf(std::move(t));
    m_validPrefix = 0;
    ++m_revision;
    ++m_editRevision;
}

// ---------------------------------------------------------------- index

qint64 BigTextDocument::piecesLines(int index) const
{
    // A line starts at the block's start unless the block runs on with a line
    // begun before; the line behind a final line end starts in the next block,
    // or here when this is the last.
    const Piece& p = m_pieces[size_t(index)];
    const bool last = index + 1 == int(m_pieces.size());
    return (continues(size_t(index)) ? 0 : 1) + p.newlines - ((p.endsWithNewline && !last) ? 1 : 0);
}

qint64 BigTextDocument::piecesFolds(int index) const
{
    const Piece& p = m_pieces[size_t(index)];
    const bool last = index + 1 == int(m_pieces.size());
    return p.newlines + ((!p.endsWithNewline || last) ? 1 : 0);
}

void BigTextDocument::invalidate(int from)
{
    // A block's lines depend on whether the one before ends a line.
    m_validPrefix = std::min(m_validPrefix, size_t(std::max(1, from)));
}

void BigTextDocument::ensurePrefix() const
{
    const size_t n = m_pieces.size();
    if (m_starts.size() != n + 1) {
        m_starts.resize(n + 1);
        m_firstLines.resize(n + 1);
        m_firstFolds.resize(n + 1);
    }
    if (m_validPrefix == 0) {
        m_starts[0] = 0;
        m_firstLines[0] = 0;
        m_firstFolds[0] = 0;
        m_validPrefix = 1;
    }
    for (size_t i = m_validPrefix - 1; i < n; ++i) {
        m_starts[i + 1] = m_starts[i] + m_pieces[i].chars;
        m_firstLines[i + 1] = m_firstLines[i] + piecesLines(int(i));
        m_firstFolds[i + 1] = m_firstFolds[i] + piecesFolds(int(i));
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

qint64 BigTextDocument::foldCount() const
{
    ensurePrefix();
    return m_firstFolds.back();
}

BigTextDocument::Block BigTextDocument::block(int index) const
{
    ensurePrefix();
    Block b;
    const size_t i = size_t(index);
    b.start = m_starts[i];
    b.length = m_pieces[i].chars;
    b.continues = continues(i);
    b.firstLine = holdingLine(i);
    b.lines = piecesLines(index);
    b.firstFold = m_firstFolds[i];
    b.folds = piecesFolds(index);
    b.id = m_pieces[i].id;
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
    // The block the line starts in: blocks in which none starts are passed by.
    ensurePrefix();
    const auto first = m_firstLines.begin() + 1;
    const auto last = m_firstLines.begin() + qsizetype(m_pieces.size());
    return int(std::upper_bound(first, last, line) - m_firstLines.begin()) - 1;
}

int BigTextDocument::blockOfFold(qint64 fold) const
{
    ensurePrefix();
    const auto first = m_firstFolds.begin() + 1;
    const auto last = m_firstFolds.begin() + qsizetype(m_pieces.size());
    return int(std::upper_bound(first, last, fold) - m_firstFolds.begin()) - 1;
}

qint64 BigTextDocument::indexBytes() const
{
    return qint64(m_pieces.capacity() * sizeof(Piece)
                  + (m_starts.capacity() + m_firstLines.capacity() + m_firstFolds.capacity()) * 8);
}

// ---------------------------------------------------------------- decoding

BigTextDocument::DecodedPtr BigTextDocument::fetch(int index, bool keep) const
{
    const Piece& p = m_pieces[size_t(index)];
    if (p.own) return p.own;
    if (auto it = m_cacheIndex.find(p.offset); it != m_cacheIndex.end()) {
        m_cache.splice(m_cache.begin(), m_cache, it->second);
        return it->second->second;
    }
    auto d = std::make_shared<const Decoded>(readPart(*m_source, p));
    if (keep && !m_source->changed()) {
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
    // The block's first decoded line is the one it holds at its start.
    return holdingLine(size_t(i)) + r;
}

qint64 BigTextDocument::lineStart(qint64 line) const
{
    if (line < 0 || line >= lineCount()) return -1;
    const int i = blockOfLine(line);
    const DecodedPtr d = fetch(i, true);
    const size_t r = size_t(line - holdingLine(size_t(i)));
    return m_starts[size_t(i)] + (r < d->lineStarts.size() ? d->lineStarts[r] : d->text.size());
}

qint64 BigTextDocument::lineLength(qint64 line) const
{
    // Up to the next line's start, wherever that is: a long line runs over
    // blocks without any of them being decoded.
    const qint64 start = lineStart(line);
    if (start < 0) return 0;
    const qint64 end = line + 1 < lineCount() ? lineStart(line + 1) - 1 : length();
    return std::max<qint64>(0, end - start);
}

qint64 BigTextDocument::foldOf(qint64 pos) const
{
    pos = std::clamp<qint64>(pos, 0, length());
    const int i = blockAt(pos);
    const qint64 off = pos - m_starts[size_t(i)];
    const DecodedPtr d = fetch(i, true);
    const auto r = std::upper_bound(d->lineStarts.begin(), d->lineStarts.end(), off) - d->lineStarts.begin() - 1;
    return m_firstFolds[size_t(i)] + r;
}

qint64 BigTextDocument::foldStart(qint64 fold) const
{
    if (fold < 0 || fold >= foldCount()) return -1;
    const int i = blockOfFold(fold);
    const DecodedPtr d = fetch(i, true);
    return m_starts[size_t(i)] + d->lineStarts[size_t(fold - m_firstFolds[size_t(i)])];
}

qint64 BigTextDocument::foldLength(qint64 fold) const
{
    if (fold < 0 || fold >= foldCount()) return 0;
    const int i = blockOfFold(fold);
    const DecodedPtr d = fetch(i, true);
    const size_t r = size_t(fold - m_firstFolds[size_t(i)]);
    const qint64 end = r + 1 < d->lineStarts.size() ? d->lineStarts[r + 1] - 1 : d->text.size();
    return end - d->lineStarts[r];
}

// The folds of a block are the lines of its decoded text, the first of them
// the line it holds at its start.
qint64 BigTextDocument::lineOfFold(qint64 fold) const
{
    fold = std::clamp<qint64>(fold, 0, foldCount() - 1);
    const int i = blockOfFold(fold);
    return holdingLine(size_t(i)) + (fold - m_firstFolds[size_t(i)]);
}

qint64 BigTextDocument::foldOfLine(qint64 line) const
{
    line = std::clamp<qint64>(line, 0, lineCount() - 1);
    const int i = blockOfLine(line);
    return m_firstFolds[size_t(i)] + (line - holdingLine(size_t(i)));
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
    BigTextSearch search(what, m_source ? &m_source->codec() : nullptr);
    const qint64 total = length();
    from = std::clamp<qint64>(from, 0, total);
    to = to < 0 ? total : std::clamp<qint64>(to, from, total);
    if (search.size() == 0 || to - from < search.size()) return -1;
    const BigTextSpan all = span(blockAt(from), blockAt(std::max<qint64>(from, to - 1)) + 1);
    return search.run(all, from, to, false, nullptr, nullptr, [this](const BigTextPart& p) { return cachedText(p); });
}

BigTextSpan BigTextDocument::span(int from, int to) const
{
    ensurePrefix();
    BigTextSpan s;
    s.source = m_source;
    from = std::clamp(from, 0, int(m_pieces.size()));
    to = std::clamp(to, from, int(m_pieces.size()));
    s.parts.assign(m_pieces.begin() + from, m_pieces.begin() + to);
    s.start = m_starts[size_t(from)];
    s.firstIndex = from;
    return s;
}

BigTextDocument::DecodedPtr BigTextDocument::cachedText(const BigTextPart& part) const
{
    if (part.own) return part.own;
    const auto it = m_cacheIndex.find(part.offset);
    return it == m_cacheIndex.end() ? nullptr : it->second->second;
}
