#include "BigTextScan.h"

#include "BigTextBytes.h"

#include "VarError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#if (defined(__x86_64__) || defined(__i386__)) && !defined(VARDOLIN_NO_SIMD)
#include <xxh_x86dispatch.h> // the widest vector unit the processor has, found when first used
#define VARDOLIN_XXH3 XXH3_64bits_dispatch
#else
#include <xxhash.h>
#define VARDOLIN_XXH3 XXH3_64bits
#endif

#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
#include <emmintrin.h>
#endif

namespace BigTextScan {

namespace {

// Value of the code unit at p.
template <int U, bool Big>
inline unsigned unitAt(const unsigned char* p)
{
    if constexpr (U == 1) return p[0];
    else if constexpr (Big) return unsigned(p[0]) << 8 | p[1];
    else return unsigned(p[1]) << 8 | p[0];
}

// First CR or LF unit in [i, to) (i a unit boundary), or to.
template <int U, bool Big>
inline qint64 findLineEnd(const unsigned char* p, qint64 i, qint64 to)
{
#if defined(__SSE2__) && !defined(VARDOLIN_NO_SIMD)
    if constexpr (U == 1) {
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i cr = _mm_set1_epi8('\r');
        while (i + 32 <= to) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
            const unsigned ma = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, lf), _mm_cmpeq_epi8(a, cr))));
            const unsigned mb = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(b, lf), _mm_cmpeq_epi8(b, cr))));
            if (ma | mb) return i + __builtin_ctz(ma | (mb << 16));
            i += 32;
        }
        while (i + 16 <= to) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const unsigned m = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, lf), _mm_cmpeq_epi8(a, cr))));
            if (m) return i + __builtin_ctz(m);
            i += 16;
        }
    } else {
        // In memory order: little-endian units read as they are, big-endian swapped.
        const __m128i lf = _mm_set1_epi16(Big ? 0x0A00 : 0x000A);
        const __m128i cr = _mm_set1_epi16(Big ? 0x0D00 : 0x000D);
        while (i + 16 <= to) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const unsigned m = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(a, lf), _mm_cmpeq_epi16(a, cr))));
            if (m) return i + __builtin_ctz(m);
            i += 16;
        }
    }
#endif
    for (; i + U <= to; i += U) {
        const unsigned u = unitAt<U, Big>(p + i);
        if (u == '\n' || u == '\r') return i;
    }
    return to;
}

// The last line end in [from, to) of a byte range: where the line after it starts, or -1.
qint64 lastLineEnd(const unsigned char* p, qint64 from, qint64 to)
{
    for (qint64 i = to - 1; i >= from; --i) {
        if (p[i] == '\n' || p[i] == '\r') return i + 1;
    }
    return -1;
}

template <int U, bool Big>
class Scanner {
public:
    Scanner(int fd, const TextCodec& codec, qint64 chunk, std::vector<Block>& out, const ScanControl& control)
        : m_fd(fd), m_codec(codec), m_chunk(std::max<qint64>(chunk, 1)), m_out(out), m_control(control)
    {
        m_stateful = codec.stateful();
        const char zeros[16] = {};
        m_zeroIsChar = exactChars(codec, zeros, sizeof zeros, 0) == qint64(sizeof zeros) / U;
    }

    // Scans [begin, end); returns where the data read ended, or where the
    // scan was told to stop.
    qint64 run(qint64 begin, qint64 end)
    {
        const qint64 capacity = m_chunk + kMaxBlockBytes + 8;
        m_buf.resize(size_t(capacity + 32));
        p = reinterpret_cast<const unsigned char*>(m_buf.data());
        base = begin;
        m_begin = begin;
        avail = 0;
        if (m_stateful && begin > 0) lookBack(begin);
        bool eof = false;
        for (;;) {
            if (m_control.cancel && m_control.cancel->load(std::memory_order_relaxed)) return base + blockStart;
            const qint64 want = std::min({m_chunk, capacity - avail, end - (base + avail)});
            if (want > 0) {
                const qint64 got = read(base + avail, m_buf.data() + avail, want);
                avail += got;
                if (got == 0) eof = true;
            } else {
                eof = true;
            }
            process(eof);
            if (m_stopped) {
                flush();
                return base + blockStart;
            }
            if (eof) {
                if (avail > blockStart) {
                    bool ends = lineStart == avail && lineStart > blockStart;
                    if constexpr (U == 1) ends = p[avail - 1] == '\n' || p[avail - 1] == '\r';
                    if (m_stateful) // escapes after the last line end decode to nothing
                        ends = decode(m_codec, reinterpret_cast<const char*>(p + blockStart), avail - blockStart, m_state)
                                   .endsWithNewline();
                    emit(avail, ends);
                }
                flush();
                return base + avail;
            }
            flush();
            if (capacity - avail >= m_chunk) continue;
            // Keep the unfinished block and read on behind it.
            std::memmove(m_buf.data(), m_buf.data() + blockStart, size_t(avail - blockStart));
            base += blockStart;
            avail -= blockStart;
            scanPos -= blockStart;
            lineStart -= blockStart;
            blockStart = 0;
        }
    }

private:
    // Reads the next bytes; a hole of a sparse file reads as zeros without
    // asking the system to fill its cache with them. 0 only at the end.
    qint64 read(qint64 offset, char* into, qint64 want)
    {
        if (m_dataAt <= offset && m_dataAt >= 0) {
            const off_t data = ::lseek(m_fd, off_t(offset), SEEK_DATA);
            if (data >= 0) {
                m_dataAt = data;
            } else if (errno == ENXIO) {
                struct stat st;
                m_dataAt = ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : offset; // a hole up to the end
            } else {
                m_dataAt = -1; // no holes to be had here
            }
        }
        if (m_dataAt > offset) {
            const qint64 zeros = std::min(want, m_dataAt - offset);
            std::memset(into, 0, size_t(zeros));
            if (m_zerosTo != offset) m_zerosFrom = offset;
            m_zerosTo = offset + zeros;
            return zeros;
        }
        return readAt(m_fd, offset, into, want);
    }

    // Bytes from at on (before to) that decode to nothing, in a stateful encoding.
    qint64 silentAt(qint64 at, qint64 to) const
    {
        return m_stateful && at < to ? m_codec.silentBytes(reinterpret_cast<const char*>(p + at), to - at) : 0;
    }

    // CR and LF with nothing but what decodes to nothing between them, in [from, to).
    qint64 separatedPairs(qint64 from, qint64 to) const
    {
        qint64 n = 0;
        for (qint64 i = from; i < to;) {
            const void* cr = std::memchr(p + i, '\r', size_t(to - i));
            if (!cr) break;
            const qint64 k = static_cast<const unsigned char*>(cr) - p + 1;
            i = k + silentAt(k, to);
            if (i < to && p[i] == '\n') ++n;
        }
        return n;
    }

    // The state where a scan inside the file starts, from the escapes in the
    // bytes before it (a line start: no escape runs on past the line end).
    void lookBack(qint64 begin)
    {
        const qint64 from = std::max<qint64>(0, begin - kLookBackBytes);
        std::vector<char> before(size_t(begin - from));
        const qint64 got = readAt(m_fd, from, before.data(), begin - from);
        TextCodec::State decided = 0;
        m_state = m_codec.stateAtEnd(before.data(), got, &decided);
        m_guess = from == 0 && got == begin - from ? 0 : TextCodec::State(~decided);
    }

    // Whether [from, to) of the buffer is all a hole's zeros, which hold no
    // line end and one character a unit: then nothing in it is looked at.
    bool inZeros(qint64 from, qint64 to) const
    {
        return m_zeroIsChar && base + from >= m_zerosFrom && base + to <= m_zerosTo;
    }

    void flush()
    {
        if (m_control.flush && !m_out.empty()) m_control.flush(m_out);
    }

    void process(bool eof)
    {
        if constexpr (U == 1) processBytes(eof);
        else processUnits(eof);
    }

    // Bytes: a block is counted whole once its end is known; only the line
    // end that ends it is looked for.
    void processBytes(bool eof)
    {
        for (;;) {
            if (m_stopped) return;
            const qint64 windowEnd = std::min(avail, blockStart + kMaxBlockBytes);
            // The first line end behind which the block has its size.
            const qint64 from = std::max(scanPos, blockStart + kBlockBytes - 1);
            const qint64 e = inZeros(from, windowEnd) ? windowEnd : findLineEnd<1, false>(p, from, windowEnd);
            if (e < windowEnd) {
                qint64 end = e + 1;
                if (p[e] == '\r') {
                    // What a stateful encoding puts between CR and LF (an escape back
                    // to ASCII) decodes to nothing: they still make one line end.
                    const qint64 k = e + 1 + silentAt(e + 1, avail);
                    if (!eof && k + (m_stateful ? 4 : 1) > avail) {
                        scanPos = e; // whether LF follows is known only after the next read
                        return;
                    }
                    if (k < avail && p[k] == '\n') end = k + 1;
                }
                emit(end, true);
                continue;
            }
            scanPos = std::max(scanPos, windowEnd);
            if (windowEnd < blockStart + kMaxBlockBytes) return; // more data needed (or the end)
            if (!eof && avail < windowEnd + 4) return;          // a cut needs the bytes just past it
            // No line end where the block would be long enough: end it at the
            // last line end before, or cut a long line where a character starts.
            const qint64 before = std::min(windowEnd, blockStart + kBlockBytes - 1);
            const qint64 last = inZeros(blockStart, before) ? -1 : lastLineEnd(p, blockStart, before);
            if (last > blockStart) {
                emit(last, true);
            } else {
                qint64 cut = m_codec.boundaryGuessed(m_state, m_guess, reinterpret_cast<const char*>(p + blockStart),
                                                     avail - blockStart, kMaxBlockBytes);
                if (cut <= 0) cut = kMaxBlockBytes;
                emit(blockStart + cut, false);
            }
            scanPos = blockStart;
        }
    }

    void processUnits(bool eof)
    {
        for (;;) {
            if (m_stopped) return;
            const qint64 windowEnd = std::min(avail, blockStart + kMaxBlockBytes);
            const qint64 e = inZeros(scanPos, windowEnd) ? windowEnd : findLineEnd<U, Big>(p, scanPos, windowEnd);
            if (e + U <= windowEnd) {
                qint64 len = U;
                if (unitAt<U, Big>(p + e) == '\r') {
                    if (e + 2 * U <= avail) {
                        if (unitAt<U, Big>(p + e + U) == '\n') len = 2 * U;
                    } else if (!eof) {
                        scanPos = e; // whether LF follows is known only after the next read
                        return;
                    }
                }
                if (len == 2 * U) ++crlfs;
                ++newlines;
                lineStart = scanPos = e + len;
                if (lineStart - blockStart >= kBlockBytes) emit(lineStart, true);
                continue;
            }
            scanPos = windowEnd - (windowEnd - scanPos) % U;
            if (windowEnd < blockStart + kMaxBlockBytes) return; // more data needed
            // A cut needs the bytes just past it, to see whether a character runs on.
            if (!eof && avail < windowEnd + 4) return;
            if (lineStart > blockStart) {
                emit(lineStart, true);
            } else {
                // One line longer than a block: cut it where a character starts.
                qint64 cut = m_codec.boundaryGuessed(m_state, m_guess, reinterpret_cast<const char*>(p + blockStart),
                                                     avail - blockStart, kMaxBlockBytes);
                if (cut <= 0) cut = kMaxBlockBytes;
                emit(blockStart + cut, false);
                lineStart = blockStart;
                scanPos = std::max(scanPos, blockStart);
            }
        }
    }

    void emit(qint64 to, bool endsWithNewline)
    {
        Block b;
        b.offset = base + blockStart;
        b.bytes = to - blockStart;
        b.newlines = newlines;
        b.endsWithNewline = endsWithNewline;
        const char* data = reinterpret_cast<const char*>(p + blockStart);
        b.state = m_state;
        b.guess = m_guess;
        if (inZeros(blockStart, to)) {
            b.newlines = crlfs = 0;
            b.chars = b.bytes / U;
        } else if constexpr (U == 1) {
            const ByteCounts c = countBytes(p + blockStart, b.bytes, m_control.quick);
            // Only a CR not right before LF can have escapes between it and an LF.
            crlfs = m_stateful && c.cr > c.crlf ? separatedPairs(blockStart, to) : c.crlf;
            b.newlines = c.lf + c.cr - crlfs;
            if (m_control.quick != QuickCount::None) {
                b.chars = b.bytes - c.pairs - c.crlf;
                b.exact = false;
            }
        }
        if (m_stateful && !inZeros(blockStart, to)) {
            TextCodec::State decided = 0;
            b.chars = m_codec.countFrom(m_state, decided, data, b.bytes) - crlfs;
            m_guess &= TextCodec::State(~decided);
        } else if (b.exact && !inZeros(blockStart, to)) {
            b.chars = exactChars(m_codec, data, b.bytes, crlfs);
        }
        b.endState = m_state;
        b.endGuess = m_guess;
        b.digest = digest(data, b.bytes);
        m_out.push_back(b);
        blockStart = to;
        newlines = crlfs = 0;
        if (m_control.stopAfter >= 0 && base + blockStart - m_begin >= m_control.stopAfter) m_stopped = true;
    }

    int m_fd;
    const TextCodec& m_codec;
    qint64 m_chunk;
    std::vector<Block>& m_out;
    const ScanControl& m_control;
    bool m_stopped = false;
    qint64 m_begin = 0;
    std::vector<char> m_buf;
    const unsigned char* p = nullptr;
    qint64 base = 0;  // file offset of the buffer's first byte
    qint64 avail = 0; // bytes in the buffer
    qint64 blockStart = 0, lineStart = 0, scanPos = 0;
    qint64 newlines = 0, crlfs = 0;
    qint64 m_dataAt = 0; // where the next data after a hole starts (-1: unknown)
    qint64 m_zerosFrom = -1, m_zerosTo = -1; // the file's range last read from a hole
    bool m_zeroIsChar = false; // a zero unit decodes to one character
    bool m_stateful = false;
    TextCodec::State m_state = 0, m_guess = 0; // where the next block starts (see Block)
};

// The first line start behind the LF unit found at or after from (units counted
// from origin), or -1 when none is near.
qint64 lineStartAfter(int fd, qint64 origin, qint64 from, qint64 end, int unit, bool big)
{
    char buf[64 * 1024];
    from -= (from - origin) % unit;
    for (qint64 at = from; at < end && at < from + (1 << 20);) {
        const qint64 got = readAt(fd, at, buf, std::min<qint64>(sizeof buf, end - at));
        if (got < unit) return -1;
        for (qint64 k = 0; k + unit <= got; k += unit) {
            const auto* u = reinterpret_cast<const unsigned char*>(buf + k);
            const unsigned v = unit == 1 ? u[0] : big ? (unsigned(u[0]) << 8 | u[1]) : (unsigned(u[1]) << 8 | u[0]);
            if (v == '\n') return at + k + unit;
        }
        at += got - got % unit;
    }
    return -1;
}

} // namespace

qint64 scanRange(int fd, qint64 begin, qint64 end, const TextCodec& codec, std::vector<Block>& out,
                 const ScanControl& control, qint64 chunk)
{
    if (codec.unitBytes() == 1) return Scanner<1, false>(fd, codec, chunk, out, control).run(begin, end);
    if (codec.bigEndian()) return Scanner<2, true>(fd, codec, chunk, out, control).run(begin, end);
    return Scanner<2, false>(fd, codec, chunk, out, control).run(begin, end);
}

qint64 nextLineStart(int fd, qint64 origin, qint64 from, qint64 end, const TextCodec& codec)
{
    return lineStartAfter(fd, origin, from, end, codec.unitBytes(), codec.bigEndian());
}

// XXH3: as fast as memory gives bytes, and the same value whichever vector unit computes it.
quint64 digest(const char* data, qint64 size) { return VARDOLIN_XXH3(data, size_t(std::max<qint64>(size, 0))); }

void normalize(QString& text)
{
    char16_t* d = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype w = 0;
    for (qsizetype r = 0; r < n; ++r) {
        char16_t c = d[r];
        if (c <= u'\r') {
            if (c == u'\r') {
                if (r + 1 < n && d[r + 1] == u'\n') ++r;
                c = u'\n';
            } else if (c == 0) {
                c = 0xFFFD;
            }
        }
        d[w++] = c;
    }
    text.truncate(w);
}

void Decoded::index()
{
    lineStarts.clear();
    lineStarts.push_back(0);
    const char16_t* d = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i)
        if (d[i] == u'\n') lineStarts.push_back(qint32(i + 1));
}

Decoded decode(const TextCodec& codec, const char* data, qint64 size, TextCodec::State state)
{
    Decoded d;
    codec.decodeFrom(state, data, size, d.text);
    normalize(d.text);
    d.index();
    return d;
}

qint64 exactChars(const TextCodec& codec, const char* data, qint64 size, qint64 crlfs, TextCodec::State state)
{
    // In a stateful encoding a line end may be CR and LF with escapes
    // between, which only decoding joins.
    if (codec.stateful()) return decode(codec, data, size, state).text.size();
    const qint64 units = codec.countUnits(data, size);
    return units >= 0 ? units - crlfs : decode(codec, data, size).text.size();
}

qint64 readAt(int fd, qint64 offset, char* buffer, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t r = ::pread(fd, buffer + done, size_t(size - done), off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw VarError::streamRead();
        }
        if (r == 0) break;
        done += r;
    }
    return done;
}

QByteArray readStream(int fd, qint64 maxBytes)
{
    QByteArray out;
    char buf[64 * 1024];
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break; // an empty pipe with no writer yet
            throw VarError::streamRead();
        }
        if (r == 0) break;
        if (out.size() + r > maxBytes) throw VarError::streamRead();
        out.append(buf, r);
    }
    return out;
}
} // namespace BigTextScan
