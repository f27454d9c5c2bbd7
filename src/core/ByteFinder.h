#pragma once
#include <QByteArray>

#include <cstddef>

// Finds a byte string in raw file bytes as fast as the bytes can be read.
// It looks for the needle's rarest byte, as Japanese text in CP932, EUC-JP or
// UTF-8 goes, with memchr (vectorised by the C library) and compares around
// each one found. Where that byte turns out common in the text at hand, it
// falls back to the library's general search for the rest of the call.
class ByteFinder {
public:
    explicit ByteFinder(QByteArray needle);

    // The first occurrence in [data, data + size), or null.
    const char* find(const char* data, size_t size) const;

    // The position in the needle of the byte looked for first.
    size_t pivot() const { return m_pivot; }

private:
    QByteArray m_needle;
    size_t m_pivot = 0;
};
