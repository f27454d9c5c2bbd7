// The name mask against a plain recursive reading of its rules, over every
// short mask and name of a small alphabet and over masks thousands of
// characters long, where only the live positions may be visited.
#include "Wildcard.h"

#include <QRandomGenerator>
#include <QtTest>

#include <map>

namespace {

// The rules read literally: "?" takes one character other than a dot, or
// nothing when the name has ended or a dot follows (the rest of its run then
// takes nothing either); a dot before "*" or "?" also matches the end of the
// name; a final "*." takes any run up to and including the last dot, or nothing.
class Reference {
public:
    Reference(const QString& mask, const QString& name) : m_name(name.toUpper())
    {
        for (qsizetype i = 0; i < mask.size(); ++i) {
            const QChar c = mask.at(i);
            if (c == '*' && i + 2 == mask.size() && mask.at(i + 1) == '.') { m_mask += u'\x01'; break; }
            if (c == '.' && i + 1 < mask.size() && (mask.at(i + 1) == '*' || mask.at(i + 1) == '?')) m_mask += u'\x02';
            else m_mask += c.toUpper();
        }
        m_lastDot = m_name.lastIndexOf('.');
    }
    bool matches() { return !m_name.isEmpty() && !m_mask.isEmpty() && at(0, 0); }

private:
    bool at(qsizetype t, qsizetype i)
    {
        const auto key = std::make_pair(t, i);
        if (auto it = m_memo.find(key); it != m_memo.end()) return it->second;
        const bool r = step(t, i);
        m_memo[key] = r;
        return r;
    }
    bool step(qsizetype t, qsizetype i)
    {
        const qsizetype n = m_name.size();
        if (t == m_mask.size()) return i == n;
        const QChar c = m_mask.at(t);
        const bool end = i == n;
        const bool dot = !end && m_name.at(i) == '.';
        if (c == '*') return at(t + 1, i) || (!end && at(t, i + 1));
        if (c == u'\x01') return at(t + 1, i) || (!end && (i == m_lastDot ? at(t + 1, i + 1) : at(t, i + 1)));
        if (c == '?') {
            if (!end && !dot) return at(t + 1, i + 1);
            qsizetype r = t;
            while (r < m_mask.size() && m_mask.at(r) == '?') ++r;
            return at(r, i);
        }
        if (c == u'\x02') return (dot && at(t + 1, i + 1)) || (end && at(t + 1, i));
        return !end && m_name.at(i) == c && at(t + 1, i + 1);
    }

    QString m_mask;
    QString m_name;
    qsizetype m_lastDot;
    std::map<std::pair<qsizetype, qsizetype>, bool> m_memo;
};

bool reference(const QString& mask, const QString& name) { return Reference(mask, name).matches(); }

QString randomText(QRandomGenerator& rng, const QString& alphabet, int maxLength)
{
    QString s;
    const int n = rng.bounded(maxLength + 1);
    for (int i = 0; i < n; ++i) s += alphabet.at(rng.bounded(static_cast<int>(alphabet.size())));
    return s;
}

void compare(const QString& mask, const QString& name)
{
    const Wildcard w(mask);
    const bool want = reference(mask, name);
    if (w.matches(name) != want)
        QFAIL(qPrintable(QStringLiteral("mask '%1' name '%2': expected %3").arg(mask.left(60), name, want ? "match" : "no match")));
    const QByteArray latin = name.toLatin1();
    if (w.matchesLatin1(latin.constData(), latin.size()) != want)
        QFAIL(qPrintable(QStringLiteral("bytes: mask '%1' name '%2'").arg(mask.left(60), name)));
}

} // namespace

class TstWildcard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyShortMaskAgreesWithTheRules()
    {
        // Every mask up to four characters over "a.*?" against every name up to
        // four characters over "aA.".
        const QString maskChars = QStringLiteral("a.*?");
        const QString nameChars = QStringLiteral("aA.b");
        QStringList masks{QString()}, names{QString()};
        for (int len = 1; len <= 4; ++len) {
            const QStringList prevM = masks, prevN = names;
            for (const QString& p : prevM)
                if (p.size() == len - 1)
                    for (QChar c : maskChars) masks << p + c;
            for (const QString& p : prevN)
                if (p.size() == len - 1)
                    for (QChar c : nameChars) names << p + c;
        }
        for (const QString& m : masks)
            for (const QString& n : names) compare(m, n);
    }

    void randomMasksAgreeWithTheRules()
    {
        QRandomGenerator rng(20261207);
        for (int k = 0; k < 20000; ++k)
            compare(randomText(rng, QStringLiteral("ab.*?"), 10), randomText(rng, QStringLiteral("abAB."), 12));
    }

    void longMasksMatchLikeShortOnes()
    {
        // "*x" many times, then "q": the live positions stay few however long
        // the mask is, and a name shorter than its literals is refused at once.
        QString longMask;
        for (int i = 0; i < 2048; ++i) longMask += QStringLiteral("*x");
        longMask += 'q';
        QString manyX(3000, 'x');
        QVERIFY(Wildcard(longMask).matches(manyX + 'q'));
        QVERIFY(!Wildcard(longMask).matches(QString(2047, 'x') + 'q'));
        QVERIFY(!Wildcard(longMask).matches(QStringLiteral("readme.txt")));
        QVERIFY(Wildcard(longMask).matches(QStringLiteral("a") + manyX + QStringLiteral("b.xq")));

        // A run of thousands of "?" takes a short name whole, then nothing.
        const QString qms = QString(4096, '?');
        compare(qms, QStringLiteral("abc"));
        compare(qms + QStringLiteral(".txt"), QStringLiteral("name.txt"));
        compare(qms + QStringLiteral(".txt"), QStringLiteral("name.doc"));
        compare(QStringLiteral("*") + qms + QStringLiteral("*."), QStringLiteral("a.b.c"));

        QRandomGenerator rng(7);
        for (int k = 0; k < 300; ++k) {
            QString mask;
            for (int i = 0; i < 200; ++i) mask += randomText(rng, QStringLiteral("ab*?."), 3);
            compare(mask, randomText(rng, QStringLiteral("ab."), 40));
        }
    }
};

QTEST_GUILESS_MAIN(TstWildcard)
#include "tst_wildcard.moc"
