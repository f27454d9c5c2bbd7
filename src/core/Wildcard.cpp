#include "Wildcard.h"

#include <algorithm>

Wildcard::Wildcard(const QString& mask)
{
    if (mask.isEmpty()) return;
    if (mask == QLatin1String("*") || mask == QLatin1String("*.*")) {
        m_tokens.push_back({Star, 0});
        m_all = true;
        return;
    }
    // The search turns the mask into its DOS-compatible form first: "?" always
    // becomes a DOS question mark, a dot before "*" or "?" a DOS dot, and a
    // final "*." a DOS star (any run up to and including the last dot).
    const qsizetype n = mask.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = mask.at(i).unicode();
        if (c == '*') {
            if (i + 2 == n && mask.at(i + 1) == QLatin1Char('.')) {
                m_tokens.push_back({DosStar, 0});
                break;
            }
            m_tokens.push_back({Star, 0});
        } else if (c == '?') {
            m_tokens.push_back({DosQm, 0});
        } else if (c == '.' && i + 1 < n && (mask.at(i + 1) == QLatin1Char('*') || mask.at(i + 1) == QLatin1Char('?'))) {
            m_tokens.push_back({DosDot, 0});
        } else {
            m_tokens.push_back({Literal, fold(c)});
        }
    }
    // Consecutive stars match what one star matches.
    m_tokens.erase(std::unique(m_tokens.begin(), m_tokens.end(),
                               [](const Token& a, const Token& b) { return a.kind == Star && b.kind == Star; }),
                   m_tokens.end());
    const int m = static_cast<int>(m_tokens.size());
    m_qmRunEnd.assign(m, 0);
    for (int i = m - 1; i >= 0; --i)
        if (m_tokens[i].kind == DosQm)
            m_qmRunEnd[i] = (i + 1 < m && m_tokens[i + 1].kind == DosQm) ? m_qmRunEnd[i + 1] : i + 1;
}

// A set of token positions (0..m, m = the whole mask matched), advanced one
// name character at a time.
template <class Ch> bool Wildcard::run(const Ch* name, qsizetype n) const
{
    const int m = static_cast<int>(m_tokens.size());
    if (n == 0) return false;
    qsizetype lastDot = -1;
    for (qsizetype i = n - 1; i >= 0; --i)
        if (name[i] == Ch('.')) { lastDot = i; break; }

    // Small masks (the usual case) keep their states on the stack.
    constexpr int kInline = 64;
    unsigned char bufA[kInline + 1], bufB[kInline + 1];
    std::vector<unsigned char> heapA, heapB;
    unsigned char* cur = bufA;
    unsigned char* next = bufB;
    if (m > kInline) {
        heapA.assign(m + 1, 0);
        heapB.assign(m + 1, 0);
        cur = heapA.data();
        next = heapB.data();
    }
    std::fill(cur, cur + m + 1, 0);

    // Adds the states reachable without consuming anything, given what the
    // next name character is (or that the name has ended).
    auto closure = [&](unsigned char* set, bool atEnd, bool atDot) {
        for (int s = 0; s < m; ++s) {
            if (!set[s]) continue;
            switch (m_tokens[s].kind) {
            case Star:
            case DosStar: set[s + 1] = 1; break;
            case DosQm:
                if (atEnd || atDot) set[m_qmRunEnd[s]] = 1;
                break;
            case DosDot:
                if (atEnd) set[s + 1] = 1;
                break;
            case Literal: break;
            }
        }
    };

    cur[0] = 1;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = static_cast<char16_t>(name[i]);
        const bool dot = c == '.';
        closure(cur, false, dot);
        std::fill(next, next + m + 1, 0);
        bool any = false;
        const char16_t fc = fold(c);
        for (int s = 0; s < m; ++s) {
            if (!cur[s]) continue;
            const Token& t = m_tokens[s];
            switch (t.kind) {
            case Literal:
                if (t.ch == fc) { next[s + 1] = 1; any = true; }
                break;
            case Star:
                next[s] = 1;
                any = true;
                break;
            case DosStar:
                // Any run up to the last dot; taking the last dot ends the run.
                if (dot && i == lastDot) next[s + 1] = 1;
                else next[s] = 1;
                any = true;
                break;
            case DosQm:
                if (!dot) { next[s + 1] = 1; any = true; }
                break;
            case DosDot:
                if (dot) { next[s + 1] = 1; any = true; }
                break;
            }
        }
        if (!any) return false;
        std::swap(cur, next);
    }
    closure(cur, true, false);
    return cur[m] != 0;
}

bool Wildcard::matches(QStringView name) const
{
    if (m_tokens.empty()) return false;
    if (m_all) return !name.isEmpty();
    return run(name.utf16(), name.size());
}

bool Wildcard::matchesLatin1(const char* name, qsizetype length) const
{
    if (m_tokens.empty()) return false;
    if (m_all) return length > 0;
    return run(reinterpret_cast<const unsigned char*>(name), length);
}
