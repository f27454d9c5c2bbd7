#include "BenchData.h"

#include "Cp932.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <cstring>
#include <vector>

namespace {

QString randomLine(QRandomGenerator& rng)
{
    static const QString kanji = QStringLiteral(
        "日本語文字列漢字表示検索編集行末改行位置変換符号化方式東京大阪名古屋福岡札幌仙台広島京都神戸横浜川崎"
        "千葉埼玉茨城栃木群馬山梨長野新潟富山石川福井岐阜静岡愛知三重滋賀奈良会社員処理記録確認完了開始終了");
    static const QStringList words = {"log", "error", "OK", "data", "2024-01-01", "12:34:56", "file", "the"};
    QString s;
    const int n = 10 + int(rng.bounded(50));
    for (int i = 0; i < n; ++i) {
        const int r = int(rng.bounded(100));
        if (r < 35) s += QChar(char16_t(0x3041 + rng.bounded(0x52)));
        else if (r < 50) s += QChar(char16_t(0x30A1 + rng.bounded(0x55)));
        else if (r < 75) s += kanji[rng.bounded(int(kanji.size()))];
        else if (r < 80) s += QChar(char16_t(0xFF66 + rng.bounded(0x38)));
        else s += words[rng.bounded(int(words.size()))] + u' ';
    }
    return s + QStringLiteral("\r\n");
}

} // namespace

namespace BenchData {

bool writeJapaneseLines(const QString& path, qint64 size, bool utf8, const QString& lastLine)
{
    QRandomGenerator rng(20240101);
    std::vector<QByteArray> pool;
    for (int i = 0; i < 4096; ++i) {
        const QString line = randomLine(rng);
        pool.push_back(utf8 ? line.toUtf8() : Cp932::encode(line));
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray buf;
    buf.reserve(8 << 20);
    qint64 written = 0;
    while (written < size) {
        const QByteArray& line = pool[rng.bounded(quint32(pool.size()))];
        buf += line;
        written += line.size();
        if (buf.size() >= (4 << 20)) {
            if (f.write(buf) != buf.size()) return false;
            buf.clear();
        }
    }
    const QString tail = lastLine + QStringLiteral("\r\n");
    buf += utf8 ? tail.toUtf8() : Cp932::encode(tail);
    return f.write(buf) == buf.size();
}

double statusMb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(int(std::strlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

} // namespace BenchData
