// One character for one JIS code: a Japanese text reads the same, character for
// character, whether it was saved as CP932, EUC-JP or ISO-2022-JP, and whether
// it is decoded whole or block by block, but for six look-alikes. A search for
// a character must find it in all three files.
#include "LookAlike.h"
#include "TextCodec.h"
#include "TextLoad.h"

#include <QtTest>

#include <set>

namespace {

enum class Jp { Cp932, EucJp, Iso2022Jp };

QByteArray raw(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes) out.append(char(b));
    return out;
}

TextEncoding encodingOf(Jp e)
{
    return e == Jp::Cp932 ? TextEncoding::Cp932 : e == Jp::EucJp ? TextEncoding::EucJp : TextEncoding::Iso2022Jp;
}

// The two ways a file's bytes become text: the whole text at once, and a
// range of it by the codec the big-text document reads with.
QString whole(Jp e, const QByteArray& bytes)
{
    return TextLoad::decodeAs(encodingOf(e), bytes);
}
QString piecewise(Jp e, const QByteArray& bytes)
{
    QString out;
    TextCodec::create(encodingOf(e))->decode(bytes.constData(), bytes.size(), out);
    return out;
}

// Bytes of the JIS X 0208 code (row, cell 1..94) in each encoding.
QByteArray jisBytes(Jp e, int row, int cell)
{
    const int j1 = row + 0x20, j2 = cell + 0x20;
    switch (e) {
    case Jp::Cp932: {
        const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
        const int s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
        return raw({s1, s2});
    }
    case Jp::EucJp: return raw({j1 | 0x80, j2 | 0x80});
    case Jp::Iso2022Jp: return "\x1B$B" + raw({j1, j2}) + "\x1B(B";
    }
    return {};
}

// The character every way of reading gives (U+FFFD for an undefined code,
// whatever the bytes after it become), or how the readings differ.
struct Reading {
    char16_t u = 0;
    bool agreed = true;
    QString detail;
};
Reading readEveryWay(const QList<std::pair<Jp, QByteArray>>& forms)
{
    Reading r;
    bool first = true;
    for (const auto& [e, bytes] : forms) {
        for (const QString& t : {whole(e, bytes), piecewise(e, bytes)}) {
            const char16_t u = t.isEmpty() ? 0 : t[0].unicode();
            r.detail += QStringLiteral(" %1").arg(u, 4, 16, QLatin1Char('0'));
            if (first) r.u = u;
            else if (u != r.u) r.agreed = false;
            if (u != 0xFFFD && t.size() != 1) r.agreed = false;
            first = false;
        }
    }
    return r;
}

bool privateUse(char16_t u) { return u >= 0xE000 && u <= 0xF8FF; }

} // namespace

class TestJisCodes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyJisX0208CodeReadsTheSameInEachEncoding()
    {
        // The whole grid, the NEC special row and the NEC-selected IBM rows included.
        const QList<Jp> all = {Jp::Cp932, Jp::EucJp, Jp::Iso2022Jp};
        // Where CP932 and the JIS encodings' converter disagree each reads its way.
        const struct { int row, cell; char16_t cp932, jis; } pinned[] = {
            {1, 33, 0xFF5E, 0x301C}, {1, 34, 0x2225, 0x2016}, {1, 61, 0xFF0D, 0x2212},
            {1, 81, 0xFFE0, 0x00A2}, {1, 82, 0xFFE1, 0x00A3}, {2, 44, 0xFFE2, 0x00AC},
            {1, 29, 0x2015, 0x2015}, {13, 1, 0x2460, 0x2460}, {89, 1, 0x7E8A, 0x7E8A},
        };
        auto pinnedAt = [&](int row, int cell) {
            return std::any_of(std::begin(pinned), std::end(pinned),
                               [&](auto& p) { return p.row == row && p.cell == cell && p.cp932 != p.jis; });
        };
        QStringList differing;
        int defined = 0;
        for (int row = 1; row <= 94; ++row) {
            for (int cell = 1; cell <= 94; ++cell) {
                QList<std::pair<Jp, QByteArray>> forms;
                for (Jp e : all)
                    if (e != Jp::Cp932 || !pinnedAt(row, cell)) forms.append({e, jisBytes(e, row, cell)});
                const Reading r = readEveryWay(forms);
                if (!r.agreed) differing << QStringLiteral("%1-%2:%3").arg(row).arg(cell).arg(r.detail);
                else if (r.u != 0xFFFD) ++defined;
            }
        }
        QVERIFY2(differing.isEmpty(), qPrintable(QStringLiteral("%1 codes differ, e.g. ").arg(differing.size())
                                                 + differing.mid(0, 8).join(u' ')));
        // JIS X 0208 has 6,879 characters, the NEC rows add 83 and the IBM rows 374.
        QCOMPARE(defined, 6879 + 83 + 374);
        for (const auto& p : pinned)
            for (Jp e : all) QCOMPARE(piecewise(e, jisBytes(e, p.row, p.cell)), QString(QChar(e == Jp::Cp932 ? p.cp932 : p.jis)));
    }

    void halfWidthKatakanaReadsTheSameInEachEncoding()
    {
        for (int b = 0xA1; b <= 0xDF; ++b) {
            const Reading r = readEveryWay({{Jp::Cp932, QByteArray(1, char(b))},
                                            {Jp::EucJp, raw({0x8E, b})},
                                            {Jp::Iso2022Jp, "\x1B(I" + QByteArray(1, char(b - 0x80)) + "\x1B(B"}});
            QVERIFY2(r.agreed, qPrintable(QString::number(b, 16) + r.detail));
            QCOMPARE(r.u, char16_t(0xFF61 + b - 0xA1));
        }
    }

    void everyCp932CharacterHasAJapaneseForm()
    {
        // What CP932 can hold (user-defined characters aside), EUC-JP can hold
        // too (a look-alike maybe as its partner), the IBM extensions in their
        // three-byte form; and what EUC-JP
        // holds in three bytes, ISO-2022-JP reads the same from JIS X 0212.
        std::set<char16_t> cp932, euc;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const QString t = piecewise(Jp::Cp932, raw({lead, trail}));
                if (t.size() == 1 && t[0] != QChar(0xFFFD) && !privateUse(t[0].unicode())) cp932.insert(t[0].unicode());
            }
        }
        QStringList differing;
        for (int b1 = 0xA1; b1 <= 0xFE; ++b1) {
            for (int b2 = 0xA1; b2 <= 0xFE; ++b2) {
                euc.insert(piecewise(Jp::EucJp, raw({b1, b2}))[0].unicode());
                const Reading r = readEveryWay({{Jp::EucJp, raw({0x8F, b1, b2})},
                                                {Jp::Iso2022Jp, "\x1B$(D" + raw({b1 - 0x80, b2 - 0x80})
                                                                    + "\x1B(B"}});
                if (!r.agreed) differing << QStringLiteral("%1%2:%3").arg(b1, 2, 16).arg(b2, 2, 16).arg(r.detail);
                else euc.insert(r.u);
            }
        }
        QVERIFY2(differing.isEmpty(), qPrintable(QStringLiteral("%1 codes differ, e.g. ").arg(differing.size())
                                                 + differing.mid(0, 8).join(u' ')));
        QStringList missing;
        for (char16_t u : cp932)
            if (!euc.count(u) && !euc.count(LookAlike::partner(u))) missing << QString::number(u, 16);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 missing: ").arg(missing.size())
                                               + missing.mid(0, 12).join(u' ')));
    }
};

QTEST_MAIN(TestJisCodes)
#include "tst_jiscodes.moc"
