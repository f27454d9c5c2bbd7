#include "TextDecoder.h"

#include "Cp932.h"
#include "IconvChar.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include <iconv.h>

namespace TextDecoder {

const char* encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Cp932: return "CP932";
    case Encoding::EucJp: return "EUC-JP";
    case Encoding::Iso2022Jp: return "ISO-2022-JP";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16Le: return "UTF-16LE";
    case Encoding::Utf16Be: return "UTF-16BE";
    }
    return "?";
}

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kUndefined = 0xFFFF;

// ------------------------------------------------------------------ JIS tables

// JIS X 0208 by row and cell (both 0..93). EUC-JP and ISO-2022-JP share it.
// It is derived from the CP932 table, so that a character reads the same
// whichever of the three encodings it came in, NEC special characters included.
struct JisTables {
    std::array<char16_t, 94 * 94> jis0208{};
};

const JisTables& jis0208()
{
    static JisTables t;
    static std::once_flag once;
    std::call_once(once, [] {
        const Cp932::Table& cp = Cp932::table();
        for (int row = 0; row < 94; ++row) {
            for (int cell = 0; cell < 94; ++cell) {
                const int j1 = row + 0x21, j2 = cell + 0x21;
                const int s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
                const int s2 = (j1 & 1) ? j2 + (j2 >= 0x60 ? 0x20 : 0x1F) : j2 + 0x7E;
                t.jis0208[row * 94 + cell] = cp.doubleByte[(s1 << 8) | s2];
            }
        }
    });
    return t;
}

// JIS X 0212 (supplementary kanji, EUC-JP's three-byte form) is rare; its
// table is only built when such a character turns up.
const std::array<char16_t, 94 * 94>& jis0212()
{
    static std::array<char16_t, 94 * 94> t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.fill(kUndefined);
        iconv_t cd = iconv_open("UTF-16LE", "EUC-JP");
        if (cd == reinterpret_cast<iconv_t>(-1)) return;
        for (int row = 0; row < 94; ++row) {
            for (int cell = 0; cell < 94; ++cell) {
                const unsigned char in[3] = {0x8F, static_cast<unsigned char>(row + 0xA1),
                                             static_cast<unsigned char>(cell + 0xA1)};
                t[row * 94 + cell] = iconvChar(cd, in, 3);
            }
        }
        iconv_close(cd);
    });
    return t;
}

// ------------------------------------------------------------------ output

// Collects decoded code units. NUL becomes U+FFFD; line breaks are unified
// when asked. The buffer is sized by the caller for the worst case.
template <bool Unify>
struct Sink {
    char16_t* dst;
    qsizetype n = 0;
    bool lastCR = false;

    void put(char16_t c)
    {
        if (c < 0x0E) {
            if (c == 0) {
                c = kReplacement;
            } else if (Unify) {
                if (c == u'\r') {
                    lastCR = true;
                    dst[n++] = u'\n';
                    return;
                }
                if (c == u'\n' && lastCR) {
                    lastCR = false;
                    return;
                }
            }
        }
        lastCR = false;
        dst[n++] = c;
    }
    // A character known to be no control character.
    void putPlain(char16_t c)
    {
        lastCR = false;
        dst[n++] = c;
    }
    // Eight ASCII bytes known to hold no NUL and no CR.
    void putAscii8(const unsigned char* p)
    {
        if (Unify && lastCR && p[0] == '\n') {
            for (int k = 0; k < 8; ++k) put(p[k]);
            return;
        }
        for (int k = 0; k < 8; ++k) dst[n + k] = p[k];
        n += 8;
        lastCR = false;
    }
};

inline bool hasZeroByte(quint64 v)
{
    return ((v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL) != 0;
}

// Eight plain ASCII bytes: no high bit, no NUL, no CR.
inline bool plainAscii8(const unsigned char* p)
{
    quint64 w;
    memcpy(&w, p, 8);
    return (w & 0x8080808080808080ULL) == 0 && !hasZeroByte(w) && !hasZeroByte(w ^ 0x0D0D0D0D0D0D0D0DULL);
}

// ------------------------------------------------------------------ decoders

// Puts the ASCII at p[i]: eight plain ASCII bytes at once where they follow,
// else the one byte. Returns how many bytes were taken.
template <class S>
inline qsizetype putAscii(const unsigned char* p, qsizetype i, qsizetype size, S& out)
{
    if (i + 8 <= size && plainAscii8(p + i)) {
        out.putAscii8(p + i);
        return 8;
    }
    out.put(p[i]);
    return 1;
}

template <class S>
void decodeCp932(const unsigned char* p, qsizetype size, S& out)
{
    const Cp932::Table& t = Cp932::table();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            i += putAscii(p, i, size, out);
        } else if (t.lead[b]) {
            const char16_t u = i + 1 < size ? t.doubleByte[(b << 8) | p[i + 1]] : kUndefined;
            if (u != kUndefined) {
                out.putPlain(u);
                i += 2;
            } else {
                out.putPlain(kReplacement);
                ++i;
            }
        } else {
            const char16_t u = t.single[b];
            out.putPlain(u == kUndefined ? kReplacement : u);
            ++i;
        }
    }
}

template <class S>
void decodeEucJp(const unsigned char* p, qsizetype size, S& out)
{
    const JisTables& t = jis0208();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            i += putAscii(p, i, size, out);
        } else if (b >= 0xA1 && b <= 0xFE && i + 1 < size && p[i + 1] >= 0xA1 && p[i + 1] <= 0xFE) {
            const char16_t u = t.jis0208[(b - 0xA1) * 94 + (p[i + 1] - 0xA1)];
            out.putPlain(u == kUndefined ? kReplacement : u);
            i += 2;
        } else if (b == 0x8E && i + 1 < size && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF) {
            out.put(char16_t(0xFF61 + (p[i + 1] - 0xA1)));
            i += 2;
        } else if (b == 0x8F && i + 2 < size && p[i + 1] >= 0xA1 && p[i + 1] <= 0xFE && p[i + 2] >= 0xA1
                   && p[i + 2] <= 0xFE) {
            const char16_t u = jis0212()[(p[i + 1] - 0xA1) * 94 + (p[i + 2] - 0xA1)];
            out.put(u == kUndefined ? kReplacement : u);
            i += 3;
        } else {
            out.put(kReplacement);
            ++i;
        }
    }
}

template <class S>
void decodeUtf8Bytes(const unsigned char* p, qsizetype size, S& out)
{
    auto cont = [&](qsizetype k) { return k < size && (p[k] & 0xC0) == 0x80; };
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            i += putAscii(p, i, size, out);
            continue;
        }
        // Each byte that starts no valid sequence becomes one replacement
        // character: overlong forms, surrogates and values past U+10FFFF too.
        if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            const char32_t cp = ((b & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
            if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
                out.putPlain(char16_t(cp));
                i += 3;
                continue;
            }
        } else if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            out.putPlain(char16_t(((b & 0x1F) << 6) | (p[i + 1] & 0x3F)));
            i += 2;
            continue;
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            const char32_t cp = ((b & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6)
                                | (p[i + 3] & 0x3F);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                out.putPlain(char16_t(0xD800 + ((cp - 0x10000) >> 10)));
                out.putPlain(char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)));
                i += 4;
                continue;
            }
        }
        out.putPlain(kReplacement);
        ++i;
    }
}

template <class S>
void decodeIso2022Jp(const unsigned char* p, qsizetype size, S& out)
{
    enum Mode { Ascii, Kana, Jis0208, Jis0212, Foreign };
    const JisTables& t = jis0208();
    Mode mode = Ascii;
    bool shiftOut = false;   // SO/SI: katakana in the seven-bit JIS habit
    qsizetype i = 0;
    auto at = [&](qsizetype k) -> int { return k < size ? p[k] : -1; };
    while (i < size) {
        const unsigned char b = p[i];
        if (b == 0x1B) {
            const int c1 = at(i + 1), c2 = at(i + 2), c3 = at(i + 3);
            qsizetype len = 0;
            if (c1 == '(' && (c2 == 'B' || c2 == 'J' || c2 == 'H')) { mode = Ascii; len = 3; }
            else if (c1 == '(' && c2 == 'I') { mode = Kana; len = 3; }
            else if (c1 == '$' && (c2 == '@' || c2 == 'B')) { mode = Jis0208; len = 3; }
            else if (c1 == '$' && c2 == '(' && (c3 == '@' || c3 == 'B' || c3 == 'Q' || c3 == 'O')) { mode = Jis0208; len = 4; }
            else if (c1 == '$' && c2 == '(' && c3 == 'D') { mode = Jis0212; len = 4; }
            else if (c1 == '$' && c2 == 'A') { mode = Foreign; len = 3; }
            else if (c1 == '$' && c2 == '(' && c3 >= 0x40 && c3 <= 0x7E) { mode = Foreign; len = 4; }
            else if (c1 == '&' && c2 == '@') { len = 3; }   // announces a JIS revision; no change
            else if (c1 == '.' && c2 >= 0x40 && c2 <= 0x7E) { len = 3; }
            if (len == 0) {
                out.put(kReplacement);
                ++i;
            } else {
                i += len;
            }
            continue;
        }
        if (b == 0x0E) { shiftOut = true; ++i; continue; }
        if (b == 0x0F) { shiftOut = false; ++i; continue; }
        if (b >= 0x80) {
            // Eight-bit JIS puts katakana in 0xA1..0xDF; anything else is foreign.
            out.put(b >= 0xA1 && b <= 0xDF ? char16_t(0xFF61 + (b - 0xA1)) : kReplacement);
            ++i;
            continue;
        }
        if (b < 0x21 || b == 0x7F) {   // controls, space and line breaks pass in every mode
            out.put(b);
            ++i;
            continue;
        }
        if (shiftOut || mode == Kana) {
            out.put(b <= 0x5F ? char16_t(0xFF61 + (b - 0x21)) : kReplacement);
            ++i;
            continue;
        }
        if (mode == Ascii) {
            out.put(b);
            ++i;
            continue;
        }
        const int b2 = at(i + 1);
        if (b2 < 0x21 || b2 > 0x7E) {
            out.put(kReplacement);
            ++i;
            continue;
        }
        char16_t u = kReplacement;
        if (mode == Jis0208) u = t.jis0208[(b - 0x21) * 94 + (b2 - 0x21)];
        else if (mode == Jis0212) u = jis0212()[(b - 0x21) * 94 + (b2 - 0x21)];
        out.put(u == kUndefined ? kReplacement : u);
        i += 2;
    }
}

// Replaces NUL and unpaired surrogates by U+FFFD and unifies line breaks, in
// place (the text can only get shorter).
void fixUp(QString& text, bool unify, bool surrogates)
{
    const qsizetype n = text.size();
    // Nothing to do is the usual case; find out with fast scans first.
    bool work = text.contains(QChar(u'\0')) || (unify && text.contains(QChar(u'\r')));
    if (!work && surrogates) {
        const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
        for (qsizetype i = 0; i < n && !work; ++i) work = (s[i] & 0xF800) == 0xD800;
    }
    if (!work) return;
    char16_t* d = reinterpret_cast<char16_t*>(text.data());
    qsizetype w = 0;
    bool lastCR = false;
    for (qsizetype r = 0; r < n; ++r) {
        char16_t c = d[r];
        if (c == 0) {
            c = kReplacement;
        } else if (unify && c == u'\r') {
            d[w++] = u'\n';
            lastCR = true;
            continue;
        } else if (unify && c == u'\n' && lastCR) {
            lastCR = false;
            continue;
        } else if (surrogates && (c & 0xF800) == 0xD800) {
            if (c < 0xDC00 && r + 1 < n && (d[r + 1] & 0xFC00) == 0xDC00) {
                d[w++] = c;
                d[w++] = d[++r];
                lastCR = false;
                continue;
            }
            c = kReplacement;
        }
        lastCR = false;
        d[w++] = c;
    }
    text.truncate(w);
}

// A large buffer that was sized for the worst case gives back what it did not need.
void trim(QString& text)
{
    if (text.capacity() - text.size() > text.size() / 8 + 1024) text.squeeze();
}

template <template <class> class Fn>
QString decodeBytes(const unsigned char* p, qsizetype size, bool unify)
{
    QString out(size, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    qsizetype n;
    if (unify) {
        Sink<true> sink{dst};
        Fn<Sink<true>>::run(p, size, sink);
        n = sink.n;
    } else {
        Sink<false> sink{dst};
        Fn<Sink<false>>::run(p, size, sink);
        n = sink.n;
    }
    out.truncate(n);
    trim(out);
    return out;
}

template <class S> struct Cp932Fn { static void run(const unsigned char* p, qsizetype n, S& s) { decodeCp932(p, n, s); } };
template <class S> struct EucFn { static void run(const unsigned char* p, qsizetype n, S& s) { decodeEucJp(p, n, s); } };
template <class S> struct Utf8Fn { static void run(const unsigned char* p, qsizetype n, S& s) { decodeUtf8Bytes(p, n, s); } };
template <class S> struct IsoFn { static void run(const unsigned char* p, qsizetype n, S& s) { decodeIso2022Jp(p, n, s); } };

QString decodeUtf16(const unsigned char* p, qsizetype size, bool bigEndian, bool unify)
{
    const qsizetype units = size / 2;
    QString out(units + (size & 1), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    if (!bigEndian && QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        memcpy(d, p, units * 2);
    } else {
        for (qsizetype i = 0; i < units; ++i)
            d[i] = bigEndian ? char16_t((p[2 * i] << 8) | p[2 * i + 1]) : char16_t(p[2 * i] | (p[2 * i + 1] << 8));
    }
    if (size & 1) d[units] = kReplacement;   // a byte left over cannot be a character
    fixUp(out, unify, true);
    trim(out);
    return out;
}


int bomLength(Encoding e, const unsigned char* p, qsizetype size)
{
    switch (e) {
    case Encoding::Utf8: return size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
    case Encoding::Utf16Le: return size >= 2 && p[0] == 0xFF && p[1] == 0xFE ? 2 : 0;
    case Encoding::Utf16Be: return size >= 2 && p[0] == 0xFE && p[1] == 0xFF ? 2 : 0;
    default: return 0;
    }
}

// ------------------------------------------------------------------ plausibility

// How much a character costs in ordinary Japanese text: roughly ten times the
// negative log of its likelihood. Detection decodes a sample in each candidate
// encoding and takes the cheapest reading.
enum Class : quint8 {
    cBreak, cSpace, cAlpha, cDigit, cPunct, cControl, cLatin1, cOtherScript,
    cHiraCommon, cHira, cKata, cChoon, cKanjiCommon, cKanji1, cKanji2, cKanjiRare,
    cCjkPunctCommon, cCjkSymbol, cFullAscii, cJisSymbol, cNecSpecial,
    cHwPunct, cHwWo, cHwSmall, cHwChoon, cHwKana, cHwVoiced, cHwSemiVoiced,
    cBad, cCount
};

// The most frequent kanji of everyday Japanese writing, roughly by frequency.
const char16_t kCommonKanji[] =
    u"日一国会人年大十二本中長出三同時政事自行社見月分議後前民生連五発間対上部東者党地合市業内相方四定今回新場金員九入"
    u"選立開手米力学問高代明実円関決子動京全目表戦経通外最言氏現理調体化田当八六約主題下首意法不来作性的要用制治度務強"
    u"気小七成期公持野協取都和統以機平総加山思家話世受区領多県続進正安設保改数記院女初北午指権心界支第産結百派点教報済"
    u"書府活原先共得解名交資予川向際査勝面委告軍文反元重近千考判認画海参売利組知案道信策集在件団別物側任引使求所次水半"
    u"品昨論計死官増係感特情投示変打男基私各始島直両朝革価式確村提運終挙果西勢減台広容必応演電歳住争談能無再位置企真流"
    u"格有疑口過局少放税検藤町常校料沢裁状工建語球営空職証土与急止送援供可役構木割聞身費付施切由説転食比難防補車優夫研"
    u"収断井何南石足違消境神番規術護展態導鮮備宅害配副算視条幹独警宮究育席輸訪楽起万着乗店述残想線率病農州武声質念待試"
    u"族象銀域助労例衛然早張映限親額監環験追審商葉義伝働形景落欧担好退準賞訴辺造英被株頭技低毎医復仕去姿味負閣韓渡失移"
    u"差衆個門写評課末守若脳極種美岡影命含福蔵量望松非撃佐核観察整段横融型白深字答夜製票況音申様財港識注呼渉達良響阪帰"
    u"針専推谷古候史天階程満敗管値歌買突兵接請器士光討路悪科攻崎督授催細効図週積丸他及湾録処省旧室憲太橋歩離岸客風紙激"
    u"否周師摘材登系批郎母易健黒火戸速存花春飛殺央券赤号単盟座青破編捜竹除完降超責並療従右修捕隊危採織森競拡故館振給屋"
    u"介読弁根色友苦就迎走販園具左異歴辞将秋因献厳馬愛幅休維富浜父遺彼般未塁貿講邦舞林装諸夏素亡劇河遣航抗冷模雄適婦鉄"
    u"寄益込顔緊類児余禁印逆王返標換久短油妻暴輪占宣背昭廃植熱宿薬伊江清習険頼僚覚吉盛船倍均億途圧芸許皇臨踏駅署抜壊債"
    u"便伸留罪停興爆陸玉源儀波創障継筋狙帯延羽努固闘精則葬乱避普散司康測豊洋静善逮婚厚喜齢囲卒迫略承浮惑崩順紀聴脱旅絶"
    u"級幸岩練押軽倒了庁博城患締等救執層版老令角絡損房募曲撤裏払削密庭徒措仏績築貨志混載昇池陣我勤為血遅抑幕居染温雑招"
    u"奈季困星傷永択秀著徴誌庫弾償刊像功拠香欠更秘拒刑坂刻底賛塚致抱繰服犯尾描布恐寺鈴盤息宇項喪伴遠養懸戻街巨震願絵希"
    u"越契掲躍棄欲痛触邸依籍汚縮還枚属笑互複慮郵束仲栄札枠似夕恵板列露沖探逃借緩節需骨射傾届曜遊迷夢巻購揮君燃充雨閉緒"
    u"跡包駐貢鹿弱却端賃折紹獲郡併草徹飲貴埼衝焦奪雇災浦暮替析預焼簡譲称肉納樹挑章臓律誘紛貸至宗促慎控贈智握照宙酒俊銭"
    u"薄堂渋群銃悲秒操携奥診詰託晴撮誕侵括掛謝双孝刺到駆寝透津壁稲仮暗裂敏鳥純是飯排裕堅訳盗芝綱吸典賀扱顧弘看訟戒祉誉"
    u"歓勉奏勧騒翌陽閥甲快縄片郷敬揺免既薦隣悩華泉御範隠冬徳皮哲漁杉里釈己荒貯硬妥威豪熊歯滞微隆埋症暫忠倉昼茶彦肝柱喚"
    u"沿妙唱祭袋阿索誠忘襲雪筆吹訓懇浴俳童宝柄驚麻封胸娘砂李塩浩誤剤瀬趣陥斎貫仙慰賢序弟旬腕兼聖旨即洗柳舎偽較覇兆床畑"
    u"慣詳毛緑尊抵脅祝礼窓柔茂犠旗距雅飾網竜詩昔繁殿濃翼牛茨潟敵魅嫌魚斉液貧敷擁衣肩圏零酸兄罰怒滅泳礎腐祖幼脚菱荷潮梅"
    u"泊尽杯僕桜滑孤黄炎賠句寿鋼頑甘臣鎖彩摩浅励掃雲掘縦輝蓄軸巡疲稼瞬捨皆砲軟噴沈誇祥牲秩帝宏唆鳴阻泰賄撲凍堀腹菊絞乳"
    u"煙縁唯膨矢耐恋塾漏紅慶猛芳懲郊剣腰炭踊幌彰棋丁冊恒眠揚冒之勇曽械倫陳憶怖犬菜耳潜珍"
    // Words of computing and everyday life that the list above misses.
    u"保存索択替削除複写貼付読込書込設表示画像覧閉終了押確認更新入力出替換編集印刷開始停止検索置換圧縮解凍容量値"
    u"誰何私僕君彼達皆今朝昼晩毎週曜火水木金土雨晴雪暑寒春夏秋冬飯茶肉魚卵野菜果物駅電話番号住所名前様殿";

const char16_t kCommonHiragana[] = u"のにはをたがでてとしないかるすっれもらりこうあくきさまんよおけどつだじそ";

struct Model {
    std::array<quint8, 65536> cls{};
    std::array<quint16, 65536> rank{};   // position in the list of common kanji
};

const Model& model()
{
    static Model m;
    static std::once_flag once;
    std::call_once(once, [] {
        const Cp932::Table& cp = Cp932::table();
        auto& c = m.cls;
        for (int u = 0; u < 65536; ++u) {
            Class k = cOtherScript;
            const quint16 code = cp.reverse[u];
            if (u == '\t' || u == '\n' || u == '\r') k = cBreak;
            else if (u == ' ') k = cSpace;
            else if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) k = cAlpha;
            else if (u >= '0' && u <= '9') k = cDigit;
            else if (u > 0x20 && u < 0x7F) k = cPunct;
            else if (u < 0x20 || (u >= 0x7F && u < 0xA0)) k = cControl;
            else if (u < 0x100) k = cLatin1;
            else if (u >= 0x3041 && u <= 0x3096) k = cHira;
            else if ((u >= 0x30A1 && u <= 0x30FA) || u == 0x30FD || u == 0x30FE) k = cKata;
            else if (u == 0x30FC) k = cChoon;
            else if (u == 0x3000 || u == 0x3001 || u == 0x3002 || u == 0x300C || u == 0x300D || u == 0x30FB
                     || u == 0x3005)
                k = cCjkPunctCommon;
            else if (u >= 0x3000 && u <= 0x303F) k = cCjkSymbol;
            else if (u >= 0xFF01 && u <= 0xFF5E) k = cFullAscii;
            else if (u >= 0xFF61 && u <= 0xFF65) k = cHwPunct;
            else if (u == 0xFF66) k = cHwWo;
            else if (u >= 0xFF67 && u <= 0xFF6F) k = cHwSmall;
            else if (u == 0xFF70) k = cHwChoon;
            else if (u >= 0xFF71 && u <= 0xFF9D) k = cHwKana;
            else if (u == 0xFF9E) k = cHwVoiced;
            else if (u == 0xFF9F) k = cHwSemiVoiced;
            else if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF)) {
                if (code >= 0x889F && code <= 0x9872) k = cKanji1;
                else if (code >= 0x989F && code <= 0xEAA4) k = cKanji2;
                else k = cKanjiRare;
            } else if ((u >= 0xD800 && u <= 0xDFFF) || (u >= 0xE000 && u <= 0xF8FF) || u >= 0xFFF0
                       || (u >= 0xFDD0 && u <= 0xFDEF))
                k = cBad;
            else if (code >= 0x8740 && code <= 0x879C) k = cNecSpecial;
            else if (code >= 0x8140 && code <= 0x84BE) k = cJisSymbol;
            c[u] = k;
        }
        m.rank.fill(0xFFFF);
        quint16 r = 0;
        for (char16_t u : kCommonKanji) {
            if (u && (c[u] == cKanji1 || c[u] == cKanji2)) {
                c[u] = cKanjiCommon;
                m.rank[u] = std::min(m.rank[u], r);
            }
            ++r;
        }
        for (char16_t u : kCommonHiragana)
            if (u) c[u] = cHiraCommon;
        c[0] = cBad;
        c[kReplacement] = cBad;
    });
    return m;
}

// Base cost of each class (tenths of a natural-log unit).
constexpr int kCost[cCount] = {
    /* cBreak */ 30, /* cSpace */ 28, /* cAlpha */ 35, /* cDigit */ 40, /* cPunct */ 50,
    /* cControl */ 140, /* cLatin1 */ 100, /* cOtherScript */ 120,
    /* cHiraCommon */ 40, /* cHira */ 58, /* cKata */ 62, /* cChoon */ 60,
    /* cKanjiCommon */ 76, /* cKanji1 */ 98, /* cKanji2 */ 122, /* cKanjiRare */ 140,
    /* cCjkPunctCommon */ 50, /* cCjkSymbol */ 80, /* cFullAscii */ 70, /* cJisSymbol */ 92, /* cNecSpecial */ 100,
    /* cHwPunct */ 80, /* cHwWo */ 90, /* cHwSmall */ 110, /* cHwChoon */ 100, /* cHwKana */ 80,
    /* cHwVoiced */ 120, /* cHwSemiVoiced */ 120, /* cBad */ 180,
};

enum Family : quint8 { fNeutral, fAscii, fJapanese, fHalfWidth, fOther };
constexpr Family kFamily[cCount] = {
    fNeutral, fNeutral, fAscii, fAscii, fNeutral, fOther, fOther, fOther,
    fJapanese, fJapanese, fJapanese, fJapanese, fJapanese, fJapanese, fJapanese, fJapanese,
    fJapanese, fJapanese, fJapanese, fJapanese, fJapanese,
    fHalfWidth, fHalfWidth, fHalfWidth, fHalfWidth, fHalfWidth, fHalfWidth, fHalfWidth, fOther,
};

// Half-width kana that take the voiced mark (ｳ, ｶ..ﾄ, ﾊ..ﾎ) and the semi-voiced mark (ﾊ..ﾎ).
inline bool takesVoiced(char16_t u) { return u == 0xFF73 || (u >= 0xFF76 && u <= 0xFF84) || (u >= 0xFF8A && u <= 0xFF8E); }
inline bool takesSemiVoiced(char16_t u) { return u >= 0xFF8A && u <= 0xFF8E; }
// Small ｧｨｩｪｫ follow u- and e-column kana (ﾌｧ, ｳｨ, ﾃｨ, ｼｪ, ﾁｪ, ﾂｫ); small ｬｭｮ
// follow i-column kana (ｷｬ, ｼｭ, ﾁｮ) and ﾃ, ﾃﾞ (ﾃｭ).
inline bool takesSmallVowel(char16_t u)
{
    switch (u) {
    case 0xFF73: case 0xFF78: case 0xFF79: case 0xFF7C: case 0xFF7D: case 0xFF81: case 0xFF82: case 0xFF83:
    case 0xFF84: case 0xFF8C: case 0xFF9E:
        return true;
    default:
        return false;
    }
}
inline bool takesSmallY(char16_t u)
{
    switch (u) {
    case 0xFF77: case 0xFF7C: case 0xFF81: case 0xFF86: case 0xFF8B: case 0xFF90: case 0xFF98: case 0xFF83:
    case 0xFF9E: case 0xFF9F:
        return true;
    default:
        return false;
    }
}
inline bool isHwMora(Class k) { return k == cHwKana || k == cHwVoiced || k == cHwSemiVoiced || k == cHwWo; }

struct Score {
    qint64 bound = std::numeric_limits<qint64>::max();   // give up beyond this cost
    bool abandoned = false;
    qint64 cost = 0;
    qsizetype units = 0;
    qsizetype bad = 0;       // controls, replacement characters, private use, unpaired surrogates
    qsizetype nonCore = 0;   // anything but kana, kanji and the common Japanese punctuation
};

void scoreText(const char16_t* s, qsizetype n, Score& sc)
{
    const auto& cls = model().cls;
    Class prev = cBreak;
    char16_t prevU = u'\n';
    for (qsizetype i = 0; i < n; ++i) {
        if ((i & 255) == 255 && sc.cost > sc.bound) {
            sc.abandoned = true;
            return;
        }
        const char16_t u = s[i];
        Class k = static_cast<Class>(cls[u]);
        int cost = kCost[k];
        switch (k) {
        case cHwKana:
            if (isHwMora(prev) || prev == cHwSmall || prev == cHwChoon) cost = u == 0xFF9D ? 40 : 34;
            else if (u == 0xFF9D) cost = 110;   // no word starts with ﾝ
            else if (prev == cHwPunct) cost = 60;
            break;
        case cHwVoiced:
            if (takesVoiced(prevU)) cost = 20;
            break;
        case cHwPunct:   // ､ and ･ between half-width words
            if ((u == 0xFF64 || u == 0xFF65) && (isHwMora(prev) || prev == cHwChoon || prev == cHwSmall)) cost = 60;
            break;
        case cHwWo:      // ｦ, the particle of all-half-width texts
            if (prev == cSpace || prev == cHwPunct || isHwMora(prev) || prev == cHwChoon) cost = 60;
            break;
        case cHwSemiVoiced:
            if (takesSemiVoiced(prevU)) cost = 20;
            break;
        case cHwSmall:
            if (u == 0xFF6F) cost = isHwMora(prev) ? 40 : 110;                 // ｯ
            else if (u >= 0xFF6C) cost = takesSmallY(prevU) ? 40 : 100;       // ｬｭｮ
            else cost = takesSmallVowel(prevU) ? 40 : 100;                    // ｧｨｩｪｫ
            break;
        case cHwChoon:
            if (isHwMora(prev) || prev == cHwSmall) cost = 34;
            break;
        case cChoon:
            if (prev != cKata && prev != cChoon && prev != cHira) cost = 90;
            break;
        case cKanjiCommon:
            if (model().rank[u] < 500) cost = 60;
            break;
        default:
            break;
        }
        const Family f = kFamily[k], pf = kFamily[prev];
        if (f != fNeutral && pf != fNeutral && f != pf) cost += 15;
        if (k == cBad || k == cControl) {
            // A valid pair of surrogates is one (rare) character, not two bad ones.
            if ((u & 0xFC00) == 0xD800 && i + 1 < n && (s[i + 1] & 0xFC00) == 0xDC00) {
                cost = 120;
                ++i;
            } else {
                ++sc.bad;
            }
        }
        if (!(k >= cHiraCommon && k <= cKanji2) && k != cCjkPunctCommon) ++sc.nonCore;
        sc.cost += cost;
        ++sc.units;
        prev = k;
        prevU = u;
    }
}

// ------------------------------------------------------------------ detection

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
            else if (b == 0x1B && i + 2 < s.start + s.length && (p[i + 1] == '$' || p[i + 1] == '(')) f.escape = true;
        }
    }
    return f;
}

Score scoreCandidate(Encoding e, const unsigned char* p, const std::vector<Segment>& segs,
                     qint64 bound = std::numeric_limits<qint64>::max())
{
    Score sc;
    sc.bound = bound;
    std::vector<char16_t> buf;
    for (const Segment& seg0 : segs) {
        Segment seg = seg0;
        if (e == Encoding::Utf16Le || e == Encoding::Utf16Be) {
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
        const unsigned char* q = p + seg.start;
        if (e == Encoding::Utf16Le || e == Encoding::Utf16Be) {
            const QString t = decodeUtf16(q, seg.length, e == Encoding::Utf16Be, false);
            scoreText(reinterpret_cast<const char16_t*>(t.constData()), t.size(), sc);
            continue;
        }
        buf.resize(seg.length);
        Sink<false> sink{buf.data()};
        if (e == Encoding::Cp932) decodeCp932(q, seg.length, sink);
        else if (e == Encoding::EucJp) decodeEucJp(q, seg.length, sink);
        else if (e == Encoding::Utf8) decodeUtf8Bytes(q, seg.length, sink);
        else decodeIso2022Jp(q, seg.length, sink);
        scoreText(buf.data(), sink.n, sc);
    }
    return sc;
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
    for (Encoding e : {Encoding::Utf8, Encoding::Utf16Le, Encoding::Utf16Be})
        if (bomLength(e, p, size)) return {e, true};
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

    struct Candidate {
        Encoding e;
        Score s;
    };
    // CP932 first: a reading that costs more than it is out, and is given up
    // as soon as it does.
    std::vector<Candidate> cands;
    cands.push_back({Encoding::Cp932, scoreCandidate(Encoding::Cp932, p, segs)});
    const qint64 bound = cands.front().s.cost + 10;
    auto consider = [&](Encoding e) {
        Score s = scoreCandidate(e, p, segs, bound);
        if (!s.abandoned) cands.push_back({e, s});
    };
    if (facts.high) {
        consider(Encoding::Utf8);
        consider(Encoding::EucJp);
    }
    if (facts.escape) consider(Encoding::Iso2022Jp);
    if (size >= 2) {
        for (Encoding e : {Encoding::Utf16Le, Encoding::Utf16Be}) {
            Score s = scoreCandidate(e, p, segs, bound);
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
            if (c.e == Encoding::Utf8) u8 = &c.s;
        for (const Candidate& c : cands)
            if ((c.e == Encoding::Utf16Le || c.e == Encoding::Utf16Be) && u8 && c.s.cost < u8->cost) utf16Better = true;
        if (!utf16Better) return {Encoding::Utf8, false};
    }

    // CP932 is the system's code page: another reading must be clearly better.
    const Candidate* best = &cands.front();
    for (const Candidate& c : cands) {
        const qint64 margin = best->e == Encoding::Cp932 ? 10 : 0;
        if (c.s.cost + margin < best->s.cost) best = &c;
    }
    return {best->e, false};
}

QString decodeAs(Encoding encoding, const char* data, qsizetype size, const Options& options)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const int skip = bomLength(encoding, p, size);
    p += skip;
    size -= skip;
    const bool unify = options.unifyLineBreaks;
    switch (encoding) {
    case Encoding::Cp932: return decodeBytes<Cp932Fn>(p, size, unify);
    case Encoding::EucJp: return decodeBytes<EucFn>(p, size, unify);
    case Encoding::Iso2022Jp: return decodeBytes<IsoFn>(p, size, unify);
    case Encoding::Utf8: return decodeBytes<Utf8Fn>(p, size, unify);
    case Encoding::Utf16Le: return decodeUtf16(p, size, false, unify);
    case Encoding::Utf16Be: return decodeUtf16(p, size, true, unify);
    }
    return {};
}

Result decode(const char* data, qsizetype size, const Options& options)
{
    const Detection d = detect(data, size);
    return {decodeAs(d.encoding, data, size, options), d.encoding, d.bom};
}

} // namespace TextDecoder
