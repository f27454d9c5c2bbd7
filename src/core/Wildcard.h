#pragma once
#include <QString>
#include <QStringView>

#include <vector>

// A file-name mask matched the way the Windows directory search matches it:
// case-insensitively, with its DOS-compatible quirks.
//  - "*" matches any run of characters, dots included; "*.*" matches every name,
//    also one without a dot.
//  - "?" matches one character, but never a dot: at a dot or at the end of the
//    name a run of "?" matches nothing ("a?.txt" matches "a.txt").
//  - a dot before "*" or "?" also matches the end of the name ("x.*" matches "x").
//  - a mask ending in "*." matches names without an extension.
// An empty mask matches nothing.
class Wildcard {
public:
    explicit Wildcard(const QString& mask);

    bool isEmpty() const { return m_tokens.empty(); }
    // True when the mask matches every name (so nothing need be compared).
    bool matchesAll() const { return m_all; }

    bool matches(QStringView name) const;
    // A name given as bytes, each byte one character (for plain ASCII names).
    bool matchesLatin1(const char* name, qsizetype length) const;

    // The folding used for comparing names and for sorting them: the Windows
    // file system compares names upper-cased.
    static char16_t fold(char16_t c)
    {
        if (c < 0x80) return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c;
        return QChar(c).toUpper().unicode();
    }
    // A name folded character by character: what names are sorted by.
    static QString sortKey(const QString& name);

private:
    enum Kind : unsigned char { Literal, Star, DosStar, DosQm, DosDot };
    struct Token {
        Kind kind;
        char16_t ch;   // folded character of a Literal
    };
    template <class Ch> bool run(const Ch* name, qsizetype n) const;

    std::vector<Token> m_tokens;
    std::vector<int> m_qmRunEnd;   // for a DosQm token: index just past its run
    std::vector<int> m_lastStar[3];   // see the constructor
    // Every literal takes exactly one character, so a shorter name cannot match.
    qsizetype m_literals = 0;
    bool m_all = false;
};
