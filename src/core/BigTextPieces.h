#pragma once
// What the document's reading and editing halves share about its pieces.
#include "BigTextSource.h"

#include <QtGlobal>

#include <atomic>

namespace BigTextPieces {

// Changes whenever a piece's text changes: a new id for every new text.
inline quint64 newId()
{
    static std::atomic<quint64> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

// The one piece of an empty text: held in memory, with its line index.
inline BigTextPart emptyPart()
{
    BigTextPart empty;
    empty.own = std::make_shared<BigTextScan::Decoded>();
    empty.own->index();
    empty.id = newId();
    return empty;
}

// Text held in memory is kept in pieces of about this many characters, so that
// an edit copies little and a line lookup stays short.
constexpr qint64 kPieceChars = 32 * 1024;
constexpr qint64 kMaxPieceChars = 128 * 1024;
// Decoded file blocks kept for painting and lookups.
constexpr qint64 kCacheChars = 4 << 20;
// Bulk reads (copying a whole file) pass the cache by.
constexpr qint64 kBulkChars = 1 << 20;

} // namespace BigTextPieces
