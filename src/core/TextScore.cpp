#include "TextScore.h"

#include "Cp932.h"
#include "LookAlike.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace TextScore {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Classes of characters that cost alike.
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
        // The JIS encodings read six codes as other look-alikes than CP932
        // does: the same text, and as plausible.
        for (int u = 0; u < 65536; ++u)
            if (const char16_t p = LookAlike::partner(char16_t(u)); p && LookAlike::fold(char16_t(u)) == p) c[u] = c[p];
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

} // namespace

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

} // namespace TextScore
