#include "RtfReader.h"

#include "RtfCodePages.h"
#include "RtfListLabel.h"
#include "RtfWords.h"

#include <cstring>
#include <map>
#include <utility>

namespace RtfReader {

namespace {

constexpr int kMaxFonts = 4096;
constexpr int kMaxColors = 4096;
constexpr size_t kMaxRuns = 1'000'000;
constexpr int kMaxWordLength = 32;
constexpr int kMaxNameLength = 256;
// A list's text around its numbers: a character or two in real documents.
constexpr int kMaxListText = 8;
// The code page of a document that names none: the system's, which is
// Japanese where this program's files come from.
constexpr int kSystemCodePage = 932;

// ------------------------------------------------------------------ parser

// NestTableProps: the properties of a nested table's row, whose end marks the
// end of that row in the text. ListProps: an old-style list's properties, with
// the text before and after its numbers (ListBefore, ListAfter).
enum class Dest : quint8 { Text, Skip, FontTable, ColorTable, NestTableProps, ListProps, ListBefore, ListAfter };

struct FontInfo {
    QString name;
    int codePage = 0;
};

struct State {
    Format format;
    int font = -1;
    int uc = 1;
    Dest dest = Dest::Text;
    bool hidden = false;
    bool listText = false;   // in the list text a paragraph writes out (\pntext, \listtext)
    bool operator==(const State&) const = default;
};

// The states that the closing braces give back. Groups opened one inside the
// other without a change between them share an entry, so that deep nesting
// of nothing costs no memory to speak of; the stack is the reader's own, on
// the heap, and no depth is too deep.
struct SavedState {
    State state;
    qint64 repeat = 1;
};

class Parser {
public:
    Parser() { m_stack.reserve(32); }

    // Parses what p holds (the input from where the last call stopped on).
    // Stops before a token that may go on behind p unless last; returns how
    // many bytes were taken, and sets m_status.
    qsizetype parse(const unsigned char* p, qsizetype n, bool last)
    {
        m_p = p;
        m_n = n;
        m_last = last;
        qsizetype i = 0;
        while (i < m_n && m_status == Status::More) {
            if (m_binLeft > 0) {
                const qsizetype skip = std::min<qsizetype>(m_binLeft, m_n - i);
                m_binLeft -= skip;
                i += skip;
                continue;
            }
            const unsigned char c = m_p[i];
            if (c == '{') {
                if (!last && i + 2 >= m_n) break;   // "{\*" may follow
                flushBytes();
                if (!m_stack.empty() && m_stack.back().state == m_st) ++m_stack.back().repeat;
                else m_stack.push_back(SavedState{m_st});
                ++m_depth;
                m_skip = 0;
                ++i;
                if (i + 1 < m_n && m_p[i] == '\\' && m_p[i + 1] == '*') {
                    m_st.dest = Dest::Skip;
                    i += 2;
                }
            } else if (c == '}') {
                flushBytes();
                if (m_st.dest == Dest::FontTable) finishFontName(m_st);
                m_st = m_stack.back().state;
                if (--m_stack.back().repeat == 0) m_stack.pop_back();
                --m_depth;
                m_skip = 0;
                ++i;
                if (m_depth == 0) {
                    // Whatever follows the document is not part of it.
                    flushBytes();
                    m_status = Status::Done;
                }
            } else if (m_depth == 0) {
                m_status = Status::Invalid;   // text before the document's group
            } else if (c == '\\') {
                const qsizetype next = controlAt(i, m_st);
                if (next < 0) break;
                i = next;
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else if (c >= 0x80 && RtfCodePages::isLeadByte(rawCodePage(m_st), c)) {
                // A double-byte character written as it is: its second byte
                // is part of it, whatever it is ('\\', '{' and '}' among them).
                if (i + 1 >= m_n && !last) break;
                const qsizetype len = i + 1 < m_n ? 2 : 1;
                if (m_skip > 0) {
                    m_skip = std::max(0, m_skip - 2);
                } else {
                    textByte(m_st, c);
                    if (len == 2) textByte(m_st, m_p[i + 1]);
                }
                i += len;
            } else {
                if (m_skip > 0) --m_skip;
                else textByte(m_st, c);
                ++i;
            }
        }
        if (m_status == Status::More && last) m_status = Status::Invalid;   // cut off: the groups never closed
        return i;
    }

    Status status() const { return m_status; }
    std::vector<Run> takeRuns() { return std::exchange(m_runs, {}); }

private:
    // ---- text

    int codePageOf(const State& st) const
    {
        auto it = m_fonts.find(st.font >= 0 ? st.font : m_defaultFont);
        if (it != m_fonts.end() && it->second.codePage) return it->second.codePage;
        return m_ansiCodePage;
    }

    // The code page of bytes written as they are: the font table's entry
    // being read, or the text's font.
    int rawCodePage(const State& st) const
    {
        if (st.dest != Dest::FontTable) return codePageOf(st);
        if (m_fontCodePage) return m_fontCodePage;
        return m_fontCharset >= 0 ? RtfCodePages::ofCharset(m_fontCharset, m_ansiCodePage) : m_ansiCodePage;
    }

    void textByte(State& st, unsigned char c)
    {
        if (st.dest == Dest::FontTable) {
            if (c == ';') finishFontName(st);
            else if (m_fontName.size() < kMaxNameLength) m_fontName.append(char(c));
            return;
        }
        if (st.dest == Dest::ColorTable) {
            if (c == ';') {
                if (m_colors.size() < kMaxColors) m_colors.push_back(m_colorSet ? qRgb(m_red, m_green, m_blue) : kAuto);
                m_red = m_green = m_blue = 0;
                m_colorSet = false;
            }
            return;
        }
        if (st.dest == Dest::ListBefore || st.dest == Dest::ListAfter) {
            QByteArray& text = st.dest == Dest::ListBefore ? m_list.before : m_list.after;
            if (text.size() < kMaxListText) text.append(char(c));
            return;
        }
        if (st.dest != Dest::Text || st.hidden || c == 0) return;
        if (!m_paragraphStarted) startParagraph(st);
        const int cp = codePageOf(st);
        if (!m_bytes.isEmpty() && (cp != m_bytesCodePage || !(m_bytesFormat == st.format))) flushBytes();
        m_bytesCodePage = cp;
        m_bytesFormat = st.format;
        m_bytes.append(char(c));
    }

    void textChar(State& st, char16_t u)
    {
        if (u == 0) return;
        if (st.dest == Dest::FontTable) {
            flushFontBytes(st);
            if (m_fontText.size() < kMaxNameLength) m_fontText.append(QChar(u));
            return;
        }
        if (st.dest != Dest::Text || st.hidden) return;
        if (!m_paragraphStarted && u != u'\n') startParagraph(st);
        flushBytes();
        append(QString(QChar(u)), st.format);
    }

    // ---- old-style lists

    // The first text of a paragraph: an old-style list's paragraph that does
    // not write its list text out gets it made here.
    void startParagraph(const State& st)
    {
        m_paragraphStarted = true;
        if (!m_list.on || m_listTextWritten) return;
        const int cp = codePageOf(st);
        QString label = RtfCodePages::decode(cp, m_list.before);
        if (!m_list.bullet) label += m_list.number(m_listNumber < 0 ? m_list.start : m_listNumber);
        label += RtfCodePages::decode(cp, m_list.after) + u'\t';
        flushBytes();
        append(label, st.format);
    }

    // A numbered paragraph counts on the list; one outside any list ends it.
    void endParagraph()
    {
        if (m_list.on && !m_list.bullet) m_listNumber = (m_listNumber < 0 ? m_list.start : m_listNumber) + 1;
        else if (!m_list.on && !m_listTextWritten) m_listNumber = -1;
        m_paragraphStarted = false;
        m_listTextWritten = false;
    }

    // Control words of old-style lists; false when w is none of them.
    bool listWord(const QByteArray& w, int param, State& st)
    {
        if (w == "pntext" || w == "listtext") {
            st.listText = true;
            m_listTextWritten = true;
        } else if (w == "pn") {
            if (m_stack.empty() || m_stack.back().state.dest != Dest::Text) return true;
            st.dest = Dest::ListProps;
            m_list = RtfListLabel();
            m_list.on = true;
        } else if (st.dest != Dest::ListProps) {
            return w.startsWith("pn");
        } else if (w == "pnlvlblt") m_list.bullet = true;
        else if (w == "pndec" || w == "pnucltr" || w == "pnlcltr" || w == "pnucrm" || w == "pnlcrm") {
            m_list.style = w == "pndec" ? '1' : w == "pnucltr" ? 'A' : w == "pnlcltr" ? 'a' : w == "pnucrm" ? 'I' : 'i';
        } else if (w == "pnstart") m_list.start = std::clamp(param, 0, 1'000'000'000);
        else if (w == "pntxtb") st.dest = Dest::ListBefore;
        else if (w == "pntxta") st.dest = Dest::ListAfter;
        else return w.startsWith("pn");
        return true;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty()) return;
        append(RtfCodePages::decode(m_bytesCodePage, m_bytes), m_bytesFormat);
        m_bytes.clear();
    }

    void append(const QString& text, const Format& format)
    {
        if (text.isEmpty()) return;
        if (!m_runs.empty() && (m_runs.back().format == format || m_runs.size() >= kMaxRuns)) {
            m_runs.back().text += text;
            return;
        }
        m_runs.push_back(Run{text, format});
    }

    // ---- font table

    void flushFontBytes(const State& st)
    {
        if (m_fontName.isEmpty()) return;
        const int cp = m_fontCharset >= 0 ? RtfCodePages::ofCharset(m_fontCharset, m_ansiCodePage) : m_ansiCodePage;
        m_fontText += RtfCodePages::decode(m_fontCodePage ? m_fontCodePage : cp, m_fontName);
        m_fontName.clear();
    }

    void finishFontName(const State& st)
    {
        flushFontBytes(st);
        if (m_fontEntry >= 0 && (m_fonts.size() < size_t(kMaxFonts) || m_fonts.count(m_fontEntry))) {
            FontInfo& f = m_fonts[m_fontEntry];
            if (!m_fontText.trimmed().isEmpty()) f.name = m_fontText.trimmed();
            const int cp = m_fontCharset >= 0 ? RtfCodePages::ofCharset(m_fontCharset, m_ansiCodePage) : 0;
            f.codePage = m_fontCodePage ? m_fontCodePage : cp;
        }
        m_fontEntry = -1;
        m_fontText.clear();
        m_fontCharset = -1;
        m_fontCodePage = 0;
    }

    // ---- control words

    static bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static int hexValue(unsigned char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // Handles the control word or symbol at i (a backslash); returns the
    // position behind it, or -1 when it may go on behind the input so far.
    qsizetype controlAt(qsizetype i, State& st)
    {
        ++i;
        if (i >= m_n) return m_last ? i : -1;
        const unsigned char c = m_p[i];
        if (!isLetter(c)) return symbolAt(i, st);

        const qsizetype wordStart = i;
        while (i < m_n && isLetter(m_p[i])) ++i;
        const qsizetype wordEnd = i;
        bool hasParam = false;
        bool negative = false;
        long long param = 0;
        if (i + 1 >= m_n && !m_last) return -1;   // a parameter or the delimiting space may follow
        if (i < m_n && m_p[i] == '-' && i + 1 < m_n && m_p[i + 1] >= '0' && m_p[i + 1] <= '9') {
            negative = true;
            ++i;
        }
        while (i < m_n && m_p[i] >= '0' && m_p[i] <= '9') {
            hasParam = true;
            if (param < 1'000'000'000) param = param * 10 + (m_p[i] - '0');
            ++i;
        }
        if (i >= m_n && !m_last) return -1;
        if (negative) param = -param;
        if (i < m_n && m_p[i] == ' ') ++i;   // the delimiting space belongs to the word
        const QByteArray word(reinterpret_cast<const char*>(m_p + wordStart),
                              std::min<qsizetype>(wordEnd - wordStart, kMaxWordLength + 1));

        if (word == "bin") {
            // Raw binary data follows; it is never text.
            if (hasParam && param > 0) m_binLeft = param;
            return i;
        }
        if (m_skip > 0) {
            --m_skip;
            return i;
        }
        word_(word, hasParam, int(std::clamp<long long>(param, -2'000'000'000LL, 2'000'000'000LL)), st);
        return i;
    }

    qsizetype symbolAt(qsizetype i, State& st)
    {
        const unsigned char c = m_p[i];
        if (c == '\'') {
            if (i + 2 >= m_n && !m_last) return -1;
            const int h1 = i + 1 < m_n ? hexValue(m_p[i + 1]) : -1;
            const int h2 = i + 2 < m_n ? hexValue(m_p[i + 2]) : -1;
            if (h1 < 0 || h2 < 0) return i + 1;
            if (m_skip > 0) --m_skip;
            else textByte(st, static_cast<unsigned char>(h1 * 16 + h2));
            return i + 3;
        }
        if (m_skip > 0) {
            --m_skip;
            return i + 1;
        }
        switch (c) {
        case '\\': case '{': case '}': textByte(st, c); break;
        case '~': textChar(st, 0x00A0); break;
        case '_': textChar(st, 0x2011); break;
        case '\r': case '\n': textChar(st, u'\n'); break;   // same as \par
        case '*': break;   // a destination marker not at a group's start
        default: break;    // \- (optional hyphen), \: and the like show nothing
        }
        return i + 1;
    }

    void word_(const QByteArray& w, bool hasParam, int param, State& st)
    {
        if (listWord(w, param, st)) return;
        const bool on = !hasParam || param != 0;
        Format& f = st.format;
        if (w == "par" || w == "sect" || w == "page" || w == "row") {
            textChar(st, u'\n');
            if (st.dest == Dest::Text) endParagraph();
        } else if (w == "pard") {
            if (!st.listText) m_list = RtfListLabel();
        } else if (w == "line") textChar(st, 0x2028);
        else if (w == "tab" || w == "cell" || w == "nestcell") textChar(st, u'\t');
        else if (w == "nestrow") {
            // Written inside the nested row's properties, it ends a row of the text.
            State text = st;
            if (st.dest == Dest::NestTableProps) text.dest = Dest::Text;
            textChar(text, u'\n');
        } else if (w == "nesttableprops") {
            if (!m_stack.empty() && m_stack.back().state.dest == Dest::Text) st.dest = Dest::NestTableProps;
        } else if (w == "chftn") {
            // A footnote's reference mark in the text: its number.
            if (st.dest == Dest::Text) {
                const QString mark = QString::number(++m_footnotes);
                for (QChar ch : mark) textChar(st, ch.unicode());
            }
        }
        else if (w == "u") {
            textChar(st, static_cast<char16_t>(param < 0 ? param + 65536 : param));
            m_skip = st.uc;
        } else if (w == "uc") st.uc = std::clamp(param, 0, 16);
        else if (w == "b") f.bold = on;
        else if (w == "i") f.italic = on;
        else if (w == "strike" || w == "striked") f.strike = on;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulwave" || w == "uldash"
                 || w == "uldashd" || w == "uldashdd" || w == "ulth" || w == "ulhwave" || w == "ululdbwave")
            f.underline = on;
        else if (w == "ulnone") f.underline = false;
        else if (w == "fs") f.halfPoints = hasParam ? std::clamp(param, 2, 3276) : 24;
        else if (w == "cf") {
            if (param > 0 && size_t(param) < m_colors.size() && m_colors[param] != kAuto) {
                f.hasColor = true;
                f.color = m_colors[param];
            } else {
                f.hasColor = false;
            }
        } else if (w == "f") {
            if (st.dest == Dest::FontTable) {
                finishFontName(st);
                m_fontEntry = param;
            } else {
                st.font = param;
                auto it = m_fonts.find(param);
                f.font = it != m_fonts.end() ? it->second.name : QString();
            }
        } else if (w == "plain") {
            // Every character property, hidden text among them.
            f = Format();
            st.hidden = false;
            st.font = m_defaultFont;
            auto it = m_fonts.find(m_defaultFont);
            f.font = it != m_fonts.end() ? it->second.name : QString();
        } else if (w == "v") st.hidden = on;
        else if (w == "fcharset") {
            if (st.dest == Dest::FontTable) m_fontCharset = param;
        } else if (w == "cpg") {
            if (st.dest == Dest::FontTable) m_fontCodePage = param;
        } else if (w == "ansicpg") {
            m_ansiCodePage = param > 0 ? param : 1252;
            m_codePageNamed = true;
        } else if (w == "mac" || w == "pc" || w == "pca") {
            // The character set of the document, unless \ansicpg names its code page.
            if (!m_codePageNamed) m_ansiCodePage = w == "mac" ? 10000 : w == "pc" ? 437 : 850;
        }
        else if (w == "deff") m_defaultFont = param;
        else if (w == "fonttbl") st.dest = Dest::FontTable;
        else if (w == "colortbl") {
            st.dest = Dest::ColorTable;
            m_colors.clear();
        } else if (w == "red" && st.dest == Dest::ColorTable) { m_red = std::clamp(param, 0, 255); m_colorSet = true; }
        else if (w == "green" && st.dest == Dest::ColorTable) { m_green = std::clamp(param, 0, 255); m_colorSet = true; }
        else if (w == "blue" && st.dest == Dest::ColorTable) { m_blue = std::clamp(param, 0, 255); m_colorSet = true; }
        else if (const char16_t c = RtfWords::character(w)) textChar(st, c);
        else if (RtfWords::isSkippedDestination(w)) st.dest = Dest::Skip;
    }

    static constexpr QRgb kAuto = 0x00FFFFFF + 1;   // no valid opaque colour has this value

    // The input being parsed, and where the parse stands.
    const unsigned char* m_p = nullptr;
    qsizetype m_n = 0;
    bool m_last = false;
    Status m_status = Status::More;
    qint64 m_depth = 0;
    std::vector<SavedState> m_stack;
    State m_st;
    qint64 m_binLeft = 0;           // bytes of \bin data still to skip
    std::vector<Run> m_runs;
    int m_skip = 0;                 // characters still to skip behind \uN
    int m_ansiCodePage = kSystemCodePage;
    bool m_codePageNamed = false;   // by \ansicpg
    int m_footnotes = 0;            // reference marks so far
    // The paragraph being read: its old-style list, whether it has text yet
    // and whether it wrote its list text out; the number of its list's next
    // paragraph (-1: the list starts anew).
    RtfListLabel m_list;
    bool m_paragraphStarted = false;
    bool m_listTextWritten = false;
    int m_listNumber = -1;
    int m_defaultFont = -1;
    std::map<int, FontInfo> m_fonts;
    std::vector<QRgb> m_colors;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;
    // The font table entry being read.
    int m_fontEntry = -1;
    int m_fontCharset = -1;
    int m_fontCodePage = 0;
    QByteArray m_fontName;
    QString m_fontText;
    // Bytes of text waiting for their code page.
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    Format m_bytesFormat;
};

} // namespace

QString Document::plainText() const
{
    QString out;
    for (const Run& r : runs) out += r.text;
    return out;
}

bool isRtf(const char* data, qsizetype size)
{
    return size >= 5 && memcmp(data, "{\\rtf", 5) == 0;
}

// ------------------------------------------------------------------ Reader

struct Reader::Private {
    Parser parser;
    QByteArray carry;           // input not parsed yet: a token that may go on
    qsizetype retryAt = 0;      // a long carry is parsed again once it has grown this far
    bool checked = false;       // the start was seen to be rich text
};

Reader::Reader() : d(std::make_unique<Private>()) {}
Reader::~Reader() = default;

Status Reader::status() const { return d->parser.status(); }

Status Reader::feed(const char* data, qsizetype size, bool last)
{
    if (d->parser.status() != Status::More) return d->parser.status();
    const char* p = data;
    qsizetype n = size;
    if (!d->carry.isEmpty() || !d->checked) {
        d->carry.append(data, size);
        // A token longer than a chunk (only hostile input has one) is parsed
        // again only once it has doubled, so that its bytes are gone over a
        // bounded number of times.
        if (!last && (d->carry.size() < d->retryAt || (!d->checked && d->carry.size() < 5))) return Status::More;
        p = d->carry.constData();
        n = d->carry.size();
    }
    if (!d->checked) {
        if (!isRtf(p, n)) {
            d->parser.parse(nullptr, 0, true);   // no document: invalid
            d->carry = QByteArray();
            return Status::Invalid;
        }
        d->checked = true;
    }
    const qsizetype used = d->parser.parse(reinterpret_cast<const unsigned char*>(p), n, last);
    if (d->parser.status() != Status::More) {
        d->carry = QByteArray();
    } else if (p == data) {
        d->carry = QByteArray(data + used, size - used);
    } else {
        d->carry.remove(0, used);
    }
    d->retryAt = d->carry.size() > 4096 ? 2 * d->carry.size() : 0;
    return d->parser.status();
}

std::vector<Run> Reader::take() { return d->parser.takeRuns(); }

std::optional<Document> read(const char* data, qsizetype size)
{
    Reader reader;
    if (reader.feed(data, size, true) != Status::Done) return std::nullopt;
    return Document{reader.take()};
}

} // namespace RtfReader
