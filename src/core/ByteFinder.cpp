#include "ByteFinder.h"

#include <cstring>

namespace {

// How often a byte turns up in Japanese text, roughly, from 0 (hardly ever)
// to 9 (in nearly every line).
int commonness(unsigned char b)
{
    if (b == ' ' || b == '\n' || b == '\r') return 9;
    // Lead bytes of kana and punctuation in CP932 (0x81..0x83), of most
    // Japanese in UTF-8 (0xE3) and of kana in EUC-JP (0xA1, 0xA4, 0xA5).
    if (b == 0x81 || b == 0x82 || b == 0x83 || b == 0xE3 || b == 0xA1 || b == 0xA4 || b == 0xA5) return 9;
    // UTF-8 continuation bytes, CP932 trail bytes and EUC-JP bytes.
    if (b >= 0x80) return 6;
    if (b >= 'a' && b <= 'z') return 5;
    if (b == '\t' || b == ',' || b == '.' || (b >= '0' && b <= '9')) return 4;
    if (b >= 'A' && b <= 'Z') return 3;
    if (b < 0x20 || b == 0x7F) return 1;
    return 2; // other ASCII punctuation
}

} // namespace

ByteFinder::ByteFinder(QByteArray needle) : m_needle(std::move(needle))
{
    // The rarest byte; of equals the last, so that a miss skips the most.
    int best = 10;
    for (qsizetype i = 0; i < m_needle.size(); ++i) {
        const int c = commonness(static_cast<unsigned char>(m_needle[i]));
        if (c <= best) {
            best = c;
            m_pivot = size_t(i);
        }
    }
}

const char* ByteFinder::find(const char* data, size_t size) const
{
    const size_t m = size_t(m_needle.size());
    if (m == 0 || size < m) return m == 0 ? data : nullptr;
    const char* needle = m_needle.constData();
    const unsigned char key = static_cast<unsigned char>(needle[m_pivot]);
    const char* const last = data + (size - m); // the last place a match may start
    const char* p = data;
    // Candidates that do not match, against the bytes passed: more than one in
    // 64 means the byte is common here, and memchr would only stop and start.
    size_t misses = 0;
    while (p <= last) {
        const void* hit = std::memchr(p + m_pivot, key, size_t(last - p) + 1);
        if (!hit) return nullptr;
        const char* start = static_cast<const char*>(hit) - m_pivot;
        if (std::memcmp(start, needle, m) == 0) return start;
        p = start + 1;
        if (++misses > 16 && size_t(p - data) < misses * 64)
            return static_cast<const char*>(memmem(p, size_t(data + size - p), needle, m));
    }
    return nullptr;
}
