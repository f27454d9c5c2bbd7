// The document's edits: text held in memory replaces the file's blocks it
// touches, in pieces of bounded size.
#include "BigTextDocument.h"
#include "BigTextPieces.h"

#include <algorithm>

using namespace BigTextPieces;

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
    ++m_editRevision;
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
            m_pieces.push_back(emptyPart());
        }
        settle(keepHead ? b : b - 1);
    }
    invalidate(b - 1);
    ++m_revision;
    ++m_editRevision;
}
