// Accuracy of encoding detection on generated Japanese texts.
//
// Texts are built from a vocabulary of everyday and technical Japanese (kanji
// compounds, kana, katakana loanwords, half-width katakana, ASCII words and
// numbers) in several styles, encoded in each encoding, and cut to lengths
// from 8 bytes to 64 KB. A text counts as detected right when it decodes to
// exactly the original.
//
// Usage: bench_detect [samples-per-cell] [-v]
#include "Cp932.h"
#include "LookAlike.h"
#include "TextLoad.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>

#include <cstdio>
#include <vector>

using Encoding = TextEncoding;

namespace {

const QStringList kKanjiWords = QStringLiteral(
    "日本 東京 大阪 会社 社員 情報 設定 表示 文字 検索 保存 確認 問題 時間 今日 明日 昨日 天気 電車 学校 先生 "
    "学生 映画 音楽 料理 旅行 仕事 会議 資料 報告 予定 連絡 変更 追加 削除 作成 開発 環境 管理 利用 機能 画面 "
    "操作 方法 場合 必要 可能 注意 説明 内容 結果 番号 住所 名前 電話 最新 年 月 日 人 私 彼 自分 世界 経済 政治 "
    "社会 文化 歴史 自然 季節 春 夏 秋 冬 雨 雪 花 桜 山 川 海 空 道 駅 店 家 部屋 窓 机 本 新聞 雑誌 手紙 写真 記録 "
    "記事 文書 書類 印刷 送信 受信 接続 通信 障害 復旧 対応 顧客 担当 部長 課長 営業 販売 価格 税込 合計 金額 支払 "
    "請求 見積 契約 期限 納品 在庫 発注 出荷 品質 検査 試験 実験 研究 分析 計算 統計 調査 改善 効率 安全 危険 警告 "
    "異常 正常 完了 開始 終了 停止 再開 初期化 設計 仕様 要件 確定 未定 不明 詳細 概要 一覧 項目 選択 入力 出力 "
    "形式 圧縮 展開 暗号 認証 権限 登録 解除 更新 履歴 差分 比較 置換 参照 引用 翻訳 漢字 平仮名 片仮名 辞書 単語 "
    "文章 段落 行 列 表 図 枠 色 太字 斜体 下線 北海道 沖縄 京都 名古屋 横浜 福岡 神戸 札幌 仙台 広島 "
    "薔薇 檸檬 醤油 蕎麦 麒麟 顰蹙 憂鬱 齟齬 贔屓 鰻 蝋燭 葡萄 饅頭 煎餅 嘘 噂 喧嘩 挨拶 曖昧 "
    "朝食 昼食 夕食 散歩 買物 掃除 洗濯 病院 薬局 銀行 郵便局 図書館 公園 動物園 美術館 温泉 祭り 花火 紅葉")
    .split(u' ');
const QStringList kKatakanaWords = QStringLiteral(
    "ファイル データ システム プログラム コンピュータ ウィンドウ メニュー テキスト サーバー ネットワーク "
    "インターネット メール アドレス パスワード ユーザー ボタン クリック ダウンロード インストール バージョン "
    "エラー メッセージ フォルダ ディレクトリ ドライブ キーボード マウス プリンタ スキャナ カメラ ビデオ "
    "オーディオ ゲーム ソフトウェア ハードウェア デザイン レイアウト フォント サイズ カラー スタイル テーブル "
    "リスト ページ リンク タブ ウェブ ブラウザ セキュリティ バックアップ コピー ペースト カット アプリケーション "
    "オプション ツール ヘルプ マニュアル ドキュメント レポート プロジェクト チーム ミーティング スケジュール "
    "タスク コーヒー ジュース レストラン ホテル タクシー バス チケット ニュース スポーツ サッカー テレビ ラジオ "
    "ピアノ ギター ヴァイオリン パーティー シャツ ジャケット チョコレート ケーキ パン ミルク ショッピング")
    .split(u' ');
const QStringList kParticles = QStringLiteral("は が を に で と の へ から まで より も や か ね よ").split(u' ');
const QStringList kEndings = QStringLiteral(
    "する します しました している されます できる できません ください です でした ではありません ます ません "
    "った って ない なかった だろう でしょう ように ために ことが ものの けれども")
    .split(u' ');
const QStringList kConnectives = QStringLiteral("しかし また そして それから ところで もちろん たとえば つまり なお ただし ちなみに").split(u' ');
const QStringList kAsciiWords = QStringLiteral(
    "file data test Windows Linux version 1.05 2024 OK NG ID URL http://example.com/ C:\\temp readme.txt error "
    "code 100 3.14 TODO FIXME abc PDF CSV HTML user admin No.1 A4 USB PC")
    .split(u' ');
const QStringList kPunct = QStringLiteral("、 。 「 」 （ ） ！ ？ ・ ： 『 』 ～ ※ ○ ■ →").split(u' ');

// Full-width katakana as the half-width forms old systems wrote.
QString halfWidth(const QString& s)
{
    static const QString full = QStringLiteral("。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン");
    QString out;
    for (QChar c : s.normalized(QString::NormalizationForm_D)) {
        if (c.unicode() == 0x3099) out += QChar(0xFF9E);
        else if (c.unicode() == 0x309A) out += QChar(0xFF9F);
        else if (int i = full.indexOf(c); i >= 0) out += QChar(0xFF61 + i);
        else out += c;
    }
    return out;
}

class Generator {
public:
    explicit Generator(quint32 seed) : m_rng(seed) {}

    QString document(int minChars)
    {
        const int style = int(m_rng.bounded(10));
        QString out;
        while (out.size() < minChars) {
            if (style < 5) out += prose();
            else if (style < 7) out += halfWidthLine();
            else if (style < 9) out += codeLine();
            else out += listLine();
            out += QStringLiteral("\r\n");
        }
        return out;
    }

private:
    const QString& pick(const QStringList& l) { return l[int(m_rng.bounded(qsizetype(l.size())))]; }
    bool chance(int percent) { return int(m_rng.bounded(100)) < percent; }

    QString noun()
    {
        const int r = int(m_rng.bounded(100));
        if (r < 55) return pick(kKanjiWords);
        if (r < 85) return pick(kKatakanaWords);
        if (r < 93) return pick(kAsciiWords);
        return QString::number(m_rng.bounded(10000));
    }
    QString prose()
    {
        QString s;
        if (chance(20)) s += pick(kConnectives) + QStringLiteral("、");
        const int clauses = 1 + int(m_rng.bounded(3));
        for (int c = 0; c < clauses; ++c) {
            s += noun() + pick(kParticles);
            if (chance(50)) s += noun() + pick(kParticles);
            if (chance(15)) s += QStringLiteral("「") + noun() + QStringLiteral("」");
            s += noun() + pick(kEndings);
            s += c + 1 < clauses ? QStringLiteral("、") : (chance(85) ? QStringLiteral("。") : pick(kPunct));
        }
        return s;
    }
    QString halfWidthLine()
    {
        QString s;
        const int words = 2 + int(m_rng.bounded(6));
        for (int w = 0; w < words; ++w) {
            if (w) s += chance(70) ? QStringLiteral(" ") : QStringLiteral("･");
            const int r = int(m_rng.bounded(100));
            if (r < 60) s += halfWidth(pick(kKatakanaWords));
            else if (r < 75) s += QString::number(m_rng.bounded(100000));
            else if (r < 95) s += pick(kKanjiWords);
            else s += halfWidth(QStringLiteral("ヲ"));
        }
        return s;
    }
    QString codeLine()
    {
        static const QStringList code = QStringLiteral(
            "int x = 10; if (a == b) { return 0; } printf(\"%d\\n\", n); for (i = 0; i < n; i++) "
            "value = config.get(\"name\"); # define MAX 256").split(u';');
        QString s = pick(code);
        if (chance(70)) s += QStringLiteral("  // ") + noun() + pick(kParticles) + noun() + pick(kEndings);
        return s;
    }
    QString listLine()
    {
        return QStringLiteral("%1. ").arg(m_rng.bounded(100)) + noun() + QStringLiteral("：") + noun()
            + (chance(50) ? QStringLiteral(" (") + pick(kAsciiWords) + QStringLiteral(")") : QString());
    }

    QRandomGenerator m_rng;
};

// ------------------------------------------------------------------ encoders

enum class Target { Cp932, EucJp, Iso2022Jp, Utf8, Utf8Bom, Utf16Le, Utf16Be, Utf16LeBom, Utf16BeBom, Count };
const char* targetName(Target t)
{
    static const char* names[] = {"CP932", "EUC-JP", "ISO-2022-JP", "UTF-8", "UTF-8 BOM",
                                  "UTF-16LE", "UTF-16BE", "UTF-16LE BOM", "UTF-16BE BOM"};
    return names[int(t)];
}

QByteArray twoBytes(int a, int b)
{
    QByteArray out;
    out.append(char(a));
    out.append(char(b));
    return out;
}

// One character in an encoding; for ISO-2022-JP the mode is carried along.
struct Encoder {
    Target t;
    int isoMode = 0;   // 0 ASCII, 1 JIS X 0208, 2 half-width katakana

    QByteArray bom() const
    {
        switch (t) {
        case Target::Utf8Bom: return QByteArray("\xEF\xBB\xBF");
        case Target::Utf16LeBom: return QByteArray("\xFF\xFE");
        case Target::Utf16BeBom: return QByteArray("\xFE\xFF");
        default: return {};
        }
    }
    QByteArray encode(QChar c)
    {
        const char16_t u = c.unicode();
        switch (t) {
        case Target::Cp932: return Cp932::encode(QString(c));
        case Target::Utf8:
        case Target::Utf8Bom: return QString(c).toUtf8();
        case Target::Utf16Le:
        case Target::Utf16LeBom: return twoBytes(u & 0xFF, u >> 8);
        case Target::Utf16Be:
        case Target::Utf16BeBom: return twoBytes(u >> 8, u & 0xFF);
        case Target::EucJp: {
            const QByteArray s = Cp932::encode(QString(c));
            if (s.size() == 1 && uchar(s[0]) >= 0xA1 && uchar(s[0]) <= 0xDF) return QByteArray("\x8E") + s;
            if (s.size() == 1) return s;
            const auto [j1, j2] = sjisToJis(uchar(s[0]), uchar(s[1]));
            return twoBytes(j1 | 0x80, j2 | 0x80);
        }
        case Target::Iso2022Jp: {
            const QByteArray s = Cp932::encode(QString(c));
            if (s.size() == 1 && uchar(s[0]) < 0x80) return switchTo(0) + s;
            if (s.size() == 1) return switchTo(2) + QByteArray(1, char(uchar(s[0]) - 0x80));
            const auto [j1, j2] = sjisToJis(uchar(s[0]), uchar(s[1]));
            return switchTo(1) + twoBytes(j1, j2);
        }
        default: return {};
        }
    }
    QByteArray finish() { return t == Target::Iso2022Jp ? switchTo(0) : QByteArray(); }

private:
    static std::pair<int, int> sjisToJis(int s1, int s2)
    {
        int j1 = (s1 <= 0x9F ? s1 - 0x70 : s1 - 0xB0) * 2;
        int j2 = s2;
        if (s2 >= 0x9F) j2 -= 0x7E;
        else { j1 -= 1; j2 -= s2 >= 0x80 ? 0x20 : 0x1F; }
        return {j1, j2};
    }
    QByteArray switchTo(int mode)
    {
        if (mode == isoMode) return {};
        isoMode = mode;
        return mode == 0 ? QByteArray("\x1B(B") : mode == 1 ? QByteArray("\x1B$B") : QByteArray("\x1B(I");
    }
};

// The longest piece of text from start whose encoding fits in maxBytes.
QByteArray encodeUpTo(const QString& text, int start, int maxBytes, Target t, QString* taken)
{
    Encoder enc{t};
    QByteArray out = enc.bom();
    int i = start;
    for (; i < text.size(); ++i) {
        Encoder probe = enc;
        QByteArray ch = probe.encode(text[i]);
        const int closing = t == Target::Iso2022Jp && probe.isoMode != 0 ? 3 : 0;
        if (out.size() + ch.size() + closing > maxBytes) break;
        enc = probe;
        out += ch;
    }
    out += enc.finish();
    *taken = text.mid(start, i - start);
    return out;
}

struct Band {
    int lo, hi;
    const char* name;
};
const Band kBands[] = {{8, 15, "8-15"},      {16, 31, "16-31"},     {32, 63, "32-63"},
                       {64, 255, "64-255"},  {256, 4095, "256-4K"}, {4096, 65536, "4K-64K"}};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int perCell = 300;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "-v") verbose = true;
        else perCell = std::max(1, atoi(argv[i]));
    }
    constexpr int nTargets = int(Target::Count);
    constexpr int nBands = int(std::size(kBands));
    int total[nTargets][nBands] = {}, ours[nTargets][nBands] = {};
    qint64 ourNs = 0, ourBytes = 0;

    Generator gen(20240607);
    QRandomGenerator rng(7);
    for (int b = 0; b < nBands; ++b) {
        const Band band = kBands[b];
        const int cells = band.lo >= 4096 ? std::max(1, perCell / 3) : perCell;
        for (int s = 0; s < cells; ++s) {
            const int want = band.lo + int(rng.bounded(band.hi - band.lo + 1));
            const QString doc = gen.document(want / 2 + 64);
            const int start = doc.size() > want ? int(rng.bounded(qsizetype(doc.size() - want / 4))) : 0;
            for (int t = 0; t < nTargets; ++t) {
                QString original;
                const QByteArray bytes = encodeUpTo(doc, start, want, Target(t), &original);
                if (bytes.size() < band.lo) continue;
                ++total[t][b];
                QElapsedTimer timer;
                timer.start();
                const TextLoad::Decoded r = TextLoad::decode(bytes);
                ourNs += timer.nsecsElapsed();
                ourBytes += bytes.size();
                // The texts are made through CP932, whose forms of the six
                // look-alikes the JIS encodings read as their partners.
                if (LookAlike::folded(r.text) == LookAlike::folded(original)) ++ours[t][b];
                else if (verbose)
                    std::printf("MISS %-12s as %-11s %s\n", targetName(Target(t)), qPrintable(TextCodec::name(r.encoding)),
                                original.left(40).toUtf8().replace('\r', "|").replace('\n', "|").constData());
            }
        }
    }

    std::printf("Detected right, per encoding and length in bytes\n");
    std::printf("%-13s", "encoding");
    for (const Band& band : kBands) std::printf(" %15s", band.name);
    std::printf("\n");
    double worstShort = 100, worstLong = 100;
    for (int t = 0; t < nTargets; ++t) {
        std::printf("%-13s", targetName(Target(t)));
        for (int b = 0; b < nBands; ++b) {
            const double o = total[t][b] ? 100.0 * ours[t][b] / total[t][b] : 100;
            std::printf(" %14.1f%%", o);
            double& w = kBands[b].lo >= 64 ? worstLong : worstShort;
            w = std::min(w, o);
        }
        std::printf("\n");
    }
    int n = 0;
    for (int t = 0; t < nTargets; ++t)
        for (int b = 0; b < nBands; ++b) n += total[t][b];
    std::printf("samples: %d; worst cell 8-63 bytes: ours %.1f%% (goal >= 97%%)", n, worstShort);
    std::printf("; worst cell >= 64 bytes: ours %.1f%% (goal 100%%)", worstLong);
    std::printf("\ndetection and decoding: %.1f MB/s over the corpus\n",
                ourNs ? ourBytes / (ourNs / 1e9) / 1e6 : 0.0);
    return 0;
}
