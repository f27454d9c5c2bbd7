#include "TextDetect.h"

#include "TextScore.h"

#include <QUtf8StringView>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace TextDetect {

namespace {

using TextScore::Score;
using TextScore::scoreText;

inline bool hasZeroByte(quint64 v)
{
    return ((v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL) != 0;
}

struct Segment {
    qsizetype start, length;
};

constexpr qsizetype kWholeSampleLimit = 32 * 1024;
constexpr qsizetype kHeadSample = 16 * 1024;
constexpr int kSpreadSamples = 16;
constexpr qsizetype kSpreadLength = 1024;

// Position of the first byte >= 0x80 or ESC at or after from; size when none.
qsizetype findMarked(const unsigned char* p, qsizetype from, qsizetype size)
{
    qsizetype i = from;
    for (; i + 8 <= size; i += 8) {
        quint64 w;
        memcpy(&w, p + i, 8);
        if ((w & 0x8080808080808080ULL) || hasZeroByte(w ^ 0x1B1B1B1B1B1B1B1BULL)) break;
    }
    for (; i < size; ++i)
        if (p[i] >= 0x80 || p[i] == 0x1B) return i;
    return size;
}

// A piece of the data that starts and ends at line breaks where it can, so
// that no multi-byte character is cut in two.
Segment lineAligned(const unsigned char* p, qsizetype size, qsizetype start, qsizetype length)
{
    qsizetype end = std::min(size, start + length);
    if (start > 0) {
        const void* nl = memchr(p + start, '\n', end - start);
        if (nl) start = static_cast<const unsigned char*>(nl) - p + 1;
    }
    if (end < size) {
        for (qsizetype k = end; k > start; --k)
            if (p[k - 1] == '\n') { end = k; break; }
    }
    return {start, std::max<qsizetype>(0, end - start)};
}

std::vector<Segment> sampleSegments(const unsigned char* p, qsizetype size)
{
    std::vector<Segment> segs;
    if (size <= kWholeSampleLimit) {
        segs.push_back({0, size});
        return segs;
    }
    segs.push_back(lineAligned(p, size, 0, kHeadSample));
    const qsizetype step = (size - kHeadSample) / kSpreadSamples;
    for (int k = 0; k < kSpreadSamples; ++k)
        segs.push_back(lineAligned(p, size, kHeadSample + k * step, kSpreadLength));
    return segs;
}

struct SampleFacts {
    bool high = false;    // a byte >= 0x80
    bool escape = false;  // an ISO-2022 designation
    bool jis = false;     // one of ISO-2022-JP's own: ESC $ B, ESC $ @, ESC ( B, ESC ( J, JIS X 0213's
    bool nul = false;
};

SampleFacts factsOf(const unsigned char* p, const std::vector<Segment>& segs)
{
    SampleFacts f;
    for (const Segment& s : segs) {
        for (qsizetype i = s.start; i < s.start + s.length; ++i) {
            const unsigned char b = p[i];
            if (b >= 0x80) f.high = true;
            else if (b == 0) f.nul = true;
            else if (b == 0x1B && i + 2 < s.start + s.length && (p[i + 1] == '$' || p[i + 1] == '(')) {
                f.escape = true;
                const unsigned char c = p[i + 2];
                if (p[i + 1] == '$' ? c == 'B' || c == '@' : c == 'B' || c == 'J') f.jis = true;
                // JIS X 0213's planes: ESC $ ( O, Q and P.
                if (p[i + 1] == '$' && c == '(' && i + 3 < s.start + s.length && p[i + 3] >= 'O' && p[i + 3] <= 'Q')
                    f.jis = true;
            }
        }
    }
    return f;
}

// The cost of the sample read in the given encoding, by that encoding's codec.
Score scoreCandidate(const TextCodec& codec, const unsigned char* p, const std::vector<Segment>& segs,
                     qint64 bound = std::numeric_limits<qint64>::max())
{
    Score sc;
    sc.bound = bound;
    QString text;
    for (const Segment& seg0 : segs) {
        Segment seg = seg0;
        if (codec.unitBytes() == 2) {
            // Two-byte units count from the start of the data.
            const qsizetype end = (seg.start + seg.length) & ~qsizetype(1);
            seg.start = (seg.start + 1) & ~qsizetype(1);
            seg.length = std::max<qsizetype>(0, end - seg.start);
        }
        if (seg.length == 0) continue;
        if (sc.abandoned || sc.cost > sc.bound) {
            sc.abandoned = true;
            break;
        }
        text.clear();
        codec.decode(reinterpret_cast<const char*>(p + seg.start), seg.length, text);
        scoreText(reinterpret_cast<const char16_t*>(text.constData()), text.size(), sc);
    }
    return sc;
}

// How many characters of the sample the codec cannot read.
qsizetype replacements(const TextCodec& codec, const unsigned char* p, const std::vector<Segment>& segs)
{
    qsizetype n = 0;
    QString text;
    for (const Segment& seg : segs) {
        text.clear();
        codec.decode(reinterpret_cast<const char*>(p + seg.start), seg.length, text);
        n += text.count(QChar(0xFFFD));
    }
    return n;
}

// JIS X 0213 fills codes that JIS X 0208 leaves empty. A file is read as it
// only where its JIS X 0208 reading misses characters that JIS X 0213 reads,
// with next to nothing missing then (a character cut at the end of each
// sample aside), so files of JIS X 0208 and binary data keep their encoding.
TextEncoding x0213Instead(TextEncoding e, const unsigned char* p, const std::vector<Segment>& segs)
{
    if (e != TextEncoding::Cp932 && e != TextEncoding::EucJp) return e;
    const qsizetype missing = replacements(*TextCodec::create(e), p, segs);
    const qsizetype allowed = std::min<qsizetype>(missing, qsizetype(segs.size()) + 1);
    TextEncoding pick = e;
    qint64 cost = std::numeric_limits<qint64>::max();
    for (TextEncoding wide : {TextEncoding::ShiftJisX0213, TextEncoding::EucJisX0213}) {
        const auto codec = TextCodec::create(wide);
        if (replacements(*codec, p, segs) >= allowed) continue;
        const Score s = scoreCandidate(*codec, p, segs);
        if (s.cost < cost) {
            pick = wide;
            cost = s.cost;
        }
    }
    return pick;
}

bool validUtf8WithMultibyte(const unsigned char* p, const std::vector<Segment>& segs)
{
    bool multi = false;
    for (const Segment& s : segs) {
        const QByteArrayView v(reinterpret_cast<const char*>(p + s.start), s.length);
        if (!QUtf8StringView(v).isValidUtf8()) return false;
        for (char c : v)
            if (static_cast<unsigned char>(c) >= 0x80) { multi = true; break; }
    }
    return multi;
}

} // namespace

Detection detect(const char* data, qsizetype size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf16BE})
        if (TextCodec::bomLength(e, data, size)) return {e, true};
    if (size == 0) return {};

    std::vector<Segment> segs = sampleSegments(p, size);
    SampleFacts facts = factsOf(p, segs);
    if (!facts.high && !facts.escape && size > kWholeSampleLimit) {
        // The sample looked like plain ASCII; make sure the rest does too.
        const qsizetype at = findMarked(p, 0, size);
        if (at < size) {
            qsizetype from = at;
            while (from > 0 && at - from < 1024 && p[from - 1] != '\n') --from;
            segs.push_back(lineAligned(p, size, from, kHeadSample));
            facts = factsOf(p, segs);
        }
    }

    // Seven-bit bytes with ISO-2022-JP's designations are that, whatever the
    // text between them reads like.
    if (facts.jis && !facts.high && !facts.nul) return {TextEncoding::Iso2022Jp, false};

    struct Candidate {
        TextEncoding e;
        Score s;
    };
    // CP932 first: a reading that costs more than it is out, and is given up
    // as soon as it does.
    auto score = [&](TextEncoding e, qint64 bound = std::numeric_limits<qint64>::max()) {
        return scoreCandidate(*TextCodec::create(e), p, segs, bound);
    };
    std::vector<Candidate> cands;
    cands.push_back({TextEncoding::Cp932, score(TextEncoding::Cp932)});
    const qint64 bound = cands.front().s.cost + 10;
    auto consider = [&](TextEncoding e) {
        Score s = score(e, bound);
        if (!s.abandoned) cands.push_back({e, s});
    };
    if (facts.high) {
        consider(TextEncoding::Utf8);
        consider(TextEncoding::EucJp);
    }
    if (facts.escape) consider(TextEncoding::Iso2022Jp);
    if (size >= 2) {
        for (TextEncoding e : {TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
            Score s = score(e, bound);
            if (s.abandoned) continue;
            // Without a byte-order mark UTF-16 must read as clean text: binary
            // data would otherwise pass for a soup of rare characters.
            if (s.units == 0 || s.bad > s.units / 200 || s.cost > 110 * s.units) continue;
            if (!facts.high && !facts.nul && s.nonCore > 0) continue;   // ASCII bytes stay ASCII
            cands.push_back({e, s});
        }
    }

    // Valid UTF-8 of some length with multi-byte sequences is UTF-8: by chance
    // other encodings rarely produce it.
    qsizetype sampled = 0;
    for (const Segment& s : segs) sampled += s.length;
    if (facts.high && sampled >= 64 && validUtf8WithMultibyte(p, segs)) {
        bool utf16Better = false;
        const Score* u8 = nullptr;
        for (const Candidate& c : cands)
            if (c.e == TextEncoding::Utf8) u8 = &c.s;
        for (const Candidate& c : cands)
            if ((c.e == TextEncoding::Utf16LE || c.e == TextEncoding::Utf16BE) && u8 && c.s.cost < u8->cost)
                utf16Better = true;
        if (!utf16Better) return {TextEncoding::Utf8, false};
    }

    // CP932 is the system's code page: another reading must be clearly better.
    const Candidate* best = &cands.front();
    for (const Candidate& c : cands) {
        const qint64 margin = best->e == TextEncoding::Cp932 ? 10 : 0;
        if (c.s.cost + margin < best->s.cost) best = &c;
    }
    return {x0213Instead(best->e, p, segs), false};
}

} // namespace TextDetect
