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
    // For each position and each context (inside the name, before a dot, at the
    // end): the last "*" reached by moves that take no character, or -1.
    for (int f = 0; f < 3; ++f) {
        std::vector<int>& far = m_lastStar[f];
        far.assign(m, -1);
        for (int i = m - 1; i >= 0; --i) {
            int next = -1;
            switch (m_tokens[i].kind) {
            case Star:
            case DosStar: next = i + 1; break;
            case DosQm: next = f > 0 ? m_qmRunEnd[i] : -1; break;
            case DosDot: next = f == 2 ? i + 1 : -1; break;
            case Literal: break;
            }
            far[i] = (next >= 0 && next < m) ? far[next] : -1;
            if (m_tokens[i].kind == Star) far[i] = std::max(far[i], i);
        }
    }
    m_literals = std::count_if(m_tokens.begin(), m_tokens.end(), [](const Token& t) { return t.kind == Literal; });
}

// The mask as a set of token positions (0..m, m = the whole mask matched),
// advanced one name character at a time. Only the positions that are live are
// visited, so the cost depends on the name, not on the length of the mask: a
// mask of thousands of characters over a folder of a hundred thousand names
// lists as quickly as "*.txt".
template <class Ch> bool Wildcard::run(const Ch* name, qsizetype n) const
{
    const int m = static_cast<int>(m_tokens.size());
    if (n == 0 || n < m_literals) return false;
    qsizetype lastDot = -1;
    for (qsizetype i = n - 1; i >= 0; --i)
        if (name[i] == Ch('.')) { lastDot = i; break; }

    // Live positions as lists, with a stamp per position so that each is listed
    // once per step. The buffers are kept per thread and reused.
    struct Sets {
        std::vector<int> cur, next;
        std::vector<quint32> stamp;
        quint32 gen = 0;
    };
    thread_local Sets sets;
    if (sets.stamp.size() < static_cast<size_t>(m) + 1) sets.stamp.assign(static_cast<size_t>(m) + 1, 0);
    auto fresh = [&] {
        if (++sets.gen == 0) {   // wrapped: forget every old stamp
            std::fill(sets.stamp.begin(), sets.stamp.end(), 0);
            sets.gen = 1;
        }
    };
    std::vector<int>& cur = sets.cur;
    std::vector<int>& next = sets.next;
    auto add = [&](std::vector<int>& set, int s) {
        if (sets.stamp[s] != sets.gen) {
            sets.stamp[s] = sets.gen;
            set.push_back(s);
        }
    };

    // Adds the positions reachable without consuming anything, given what the
    // next name character is (or that the name has ended). The list grows while
    // it is walked, so chains of such moves are followed to their end.
    auto closure = [&](std::vector<int>& set, bool atEnd, bool atDot) {
        const std::vector<int>& far = m_lastStar[atEnd ? 2 : atDot ? 1 : 0];
        for (size_t k = 0; k < set.size(); ++k) {
            const int s = set[k];
            if (s >= m) continue;
            // Each position has at most one such move, so they form chains; a
            // chain that passes a "*" goes on from its last one, and what lies
            // before that is dropped by prune() anyway.
            if (far[s] > s) {
                add(set, far[s]);
                continue;
            }
            switch (m_tokens[s].kind) {
            case Star:
            case DosStar: add(set, s + 1); break;
            case DosQm:
                if (atEnd || atDot) add(set, m_qmRunEnd[s]);
                break;
            case DosDot:
                if (atEnd) add(set, s + 1);
                break;
            case Literal: break;
            }
        }
    };

    // A live "*" stays live to the end (it takes any character), and whatever
    // an earlier position could still match passes through that "*" anyway; so
    // the positions before the last live "*" are dropped. What remains lies
    // within one stretch of the mask between two stars.
    auto prune = [&](std::vector<int>& set) {
        int lastStar = -1;
        for (const int s : set)
            if (s < m && s > lastStar && m_tokens[s].kind == Star) lastStar = s;
        if (lastStar > 0)
            set.erase(std::remove_if(set.begin(), set.end(), [&](int s) { return s < lastStar; }), set.end());
    };

    cur.clear();
    fresh();
    add(cur, 0);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = static_cast<char16_t>(name[i]);
        const bool dot = c == '.';
        closure(cur, false, dot);
        prune(cur);
        fresh();
        next.clear();
        const char16_t fc = fold(c);
        for (const int s : cur) {
            if (s >= m) continue;
            const Token& t = m_tokens[s];
            switch (t.kind) {
            case Literal:
                if (t.ch == fc) add(next, s + 1);
                break;
            case Star: add(next, s); break;
            case DosStar:
                // Any run up to the last dot; taking the last dot ends the run.
                add(next, (dot && i == lastDot) ? s + 1 : s);
                break;
            case DosQm:
                if (!dot) add(next, s + 1);
                break;
            case DosDot:
                if (dot) add(next, s + 1);
                break;
            }
        }
        if (next.empty()) return false;
        std::swap(cur, next);
    }
    // cur holds this step's stamps; the closure adds to the same list.
    closure(cur, true, false);
    for (const int s : cur)
        if (s == m) return true;
    return false;
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

QString Wildcard::sortKey(const QString& name)
{
    QString key(name.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    const char16_t* in = reinterpret_cast<const char16_t*>(name.utf16());
    for (qsizetype i = 0; i < name.size(); ++i) out[i] = fold(in[i]);
    return key;
}
