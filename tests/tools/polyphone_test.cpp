// PinYin initials chosen by context, measured on phrases whose polyphonic
// characters were checked by hand against the standard readings.
#include <gtest/gtest.h>

#include <cstdio>

#include "tools/bank/pinyin.h"

namespace {

struct Phrase {
    const char* text;
    const char* initials;
};

// clang-format off
const Phrase kPhrases[] = {
    // 长 cháng / zhǎng
    {"长江", "cj"}, {"长城", "cc"}, {"长度", "cd"}, {"长短", "cd"}, {"成长", "cz"}, {"校长", "xz"},
    {"长大", "zd"}, {"家长", "jz"}, {"队长", "dz"}, {"部长", "bz"}, {"长辈", "zb"}, {"擅长", "sc"},
    {"长久", "cj"}, {"延长", "yc"}, {"增长", "zz"}, {"生长", "sz"}, {"市长", "sz"}, {"长处", "cc"},
    {"长期", "cq"}, {"班长", "bz"}, {"最长", "zc"}, {"长江三峡", "cjsx"}, {"长颈鹿", "cjl"},
    {"长发", "cf"}, {"长相", "zx"}, {"组长", "zz"}, {"长者", "zz"}, {"长途", "ct"}, {"特长", "tc"},
    {"长篇", "cp"}, {"漫长", "mc"},
    // 行 xíng / háng
    {"银行", "yh"}, {"行走", "xz"}, {"行业", "hy"}, {"自行车", "zxc"}, {"行为", "xw"}, {"进行", "jx"},
    {"行列", "hl"}, {"旅行", "lx"}, {"行李", "xl"}, {"内行", "nh"}, {"外行", "wh"}, {"行长", "hz"},
    {"发行", "fx"}, {"行情", "hq"}, {"排行", "ph"}, {"行动", "xd"}, {"步行", "bx"}, {"运行", "yx"},
    {"同行业", "thy"}, {"行家", "hj"}, {"央行", "yh"}, {"执行", "zx"}, {"飞行", "fx"},
    // 重 zhòng / chóng
    {"重庆", "cq"}, {"重要", "zy"}, {"重复", "cf"}, {"重新", "cx"}, {"体重", "tz"}, {"严重", "yz"},
    {"重量", "zl"}, {"重叠", "cd"}, {"隆重", "lz"}, {"重阳", "cy"}, {"尊重", "zz"}, {"重视", "zs"},
    {"重点", "zd"}, {"重逢", "cf"}, {"重建", "cj"}, {"沉重", "cz"}, {"重大", "zd"},
    // 乐 lè / yuè
    {"音乐", "yy"}, {"快乐", "kl"}, {"乐器", "yq"}, {"欢乐", "hl"}, {"乐队", "yd"}, {"娱乐", "yl"},
    {"乐观", "lg"}, {"乐趣", "lq"}, {"乐曲", "yq"}, {"声乐", "sy"}, {"乐园", "ly"}, {"乐意", "ly"},
    {"音乐会", "yyh"},
    // 便 biàn / pián
    {"便宜", "py"}, {"方便", "fb"}, {"随便", "sb"}, {"便利", "bl"}, {"顺便", "sb"}, {"便于", "by"},
    {"大便", "db"}, {"便衣", "by"},
    // 朝 cháo / zhāo
    {"朝代", "cd"}, {"朝鲜", "cx"}, {"朝霞", "zx"}, {"朝廷", "ct"}, {"朝气", "zq"}, {"王朝", "wc"},
    {"明朝", "mc"}, {"朝三暮四", "zsms"}, {"朝向", "cx"},
    // 传 chuán / zhuàn
    {"传说", "cs"}, {"传记", "zj"}, {"自传", "zz"}, {"传统", "ct"}, {"宣传", "xc"}, {"水浒传", "shz"},
    {"传播", "cb"}, {"传染", "cr"},
    // 藏 cáng / zàng
    {"西藏", "xz"}, {"宝藏", "bz"}, {"收藏", "sc"}, {"隐藏", "yc"}, {"藏族", "zz"}, {"躲藏", "dc"},
    {"藏书", "cs"},
    // 调 diào / tiáo
    {"调查", "dc"}, {"空调", "kt"}, {"调整", "tz"}, {"声调", "sd"}, {"调动", "dd"}, {"调皮", "tp"},
    {"强调", "qd"}, {"单调", "dd"}, {"音调", "yd"}, {"协调", "xt"}, {"调节", "tj"},
    // 会 huì / kuài, 盛 shèng / chéng, 省 shěng / xǐng, 率 lǜ / shuài
    {"会计", "kj"}, {"开会", "kh"}, {"会议", "hy"}, {"学会", "xh"},
    {"盛饭", "cf"}, {"茂盛", "ms"}, {"盛开", "sk"}, {"丰盛", "fs"}, {"盛满", "cm"},
    {"省份", "sf"}, {"反省", "fx"}, {"省略", "sl"}, {"节省", "js"}, {"不省人事", "bxrs"},
    {"效率", "xl"}, {"率领", "sl"}, {"比率", "bl"}, {"直率", "zs"}, {"频率", "pl"}, {"坦率", "ts"},
    {"概率", "gl"},
    // one or two words for each of many other characters
    {"给予", "jy"}, {"供给", "gj"}, {"补给", "bj"}, {"自给自足", "zjzz"}, {"倔强", "jj"}, {"勉强", "mq"},
    {"强大", "qd"}, {"认识", "rs"}, {"属于", "sy"}, {"提供", "tg"}, {"提防", "df"}, {"奇怪", "qg"},
    {"奇数", "js"}, {"参加", "cj"}, {"人参", "rs"}, {"参差", "cc"}, {"弹琴", "tq"}, {"子弹", "zd"},
    {"炸弹", "zd"}, {"弹簧", "th"}, {"恶心", "ex"}, {"可恶", "kw"}, {"厌恶", "yw"}, {"停泊", "tb"},
    {"湖泊", "hp"}, {"关系", "gx"}, {"系鞋带", "jxd"}, {"降落", "jl"}, {"投降", "tx"}, {"否定", "fd"},
    {"否极泰来", "pjtl"}, {"单于", "cy"}, {"单位", "dw"}, {"秘密", "mm"}, {"秘鲁", "bl"}, {"大厦", "ds"},
    {"厦门", "xm"}, {"茄子", "qz"}, {"雪茄", "xj"}, {"学校", "xx"}, {"校对", "jd"}, {"贝壳", "bk"},
    {"地壳", "dq"}, {"宿舍", "ss"}, {"星宿", "xx"}, {"曝光", "bg"}, {"一曝十寒", "ypsh"}, {"畜牧", "xm"},
    {"牲畜", "sc"}, {"囤积", "tj"}, {"卡片", "kp"}, {"关卡", "gq"}, {"咖啡", "kf"}, {"咖喱", "gl"},
    {"粘贴", "zt"}, {"粘土", "nt"}, {"颤抖", "cd"}, {"颤栗", "zl"}, {"吓人", "xr"}, {"恐吓", "kh"},
    {"纤维", "xw"}, {"纤夫", "qf"}, {"番茄", "fq"}, {"番禺", "py"}, {"扒手", "ps"}, {"阿姨", "ay"},
    {"阿谀", "ey"}, {"尾巴", "wb"}, {"虚与委蛇", "xyww"}, {"蚌埠", "bb"}, {"黄埔", "hp"}, {"尉迟", "yc"},
    {"丢车保帅", "djbs"}, {"吐蕃", "tb"}, {"执拗", "zn"}, {"拗口", "ak"},
    // in questions
    {"中国最长的河流是？", "zgzcdhls"}, {"银行行长", "yhhz"}, {"重庆银行", "cqyh"}, {"长江大桥", "cjdq"},
    {"他长得很高", "tzdhg"}, {"快乐的音乐", "kldyy"}, {"重要的事情说几遍？", "zydsqsjb"},
    {"人行横道线俗称什么？", "rxhdxscsm"}, {"京杭大运河的北端是？", "jhdyhdbds"},
};
// clang-format on

TEST(Pinyin, ReadsPolyphonicCharactersByTheWordsAroundThem) {
    size_t right = 0;
    std::string wrong;
    for (const Phrase& p : kPhrases) {
        const std::string got = bankcli::PinyinInitials(p.text);
        if (got == p.initials) ++right;
        else wrong += std::string(" ") + p.text + "=" + got + "(" + p.initials + ")";
    }
    const size_t total = std::size(kPhrases);
    std::printf("polyphonic phrases read right: %zu of %zu (%.1f%%)\n", right, total, 100.0 * static_cast<double>(right) / static_cast<double>(total));
    EXPECT_GE(total, 200u);
    // The word table does not know every word; most must come out right.
    EXPECT_GE(right * 100, total * 90) << "wrong:" << wrong;
    // The eight everyone knows, always.
    for (const Phrase& p : {Phrase{"长江", "cj"}, {"最长", "zc"}, {"银行", "yh"}, {"行走", "xz"}, {"重庆", "cq"},
                            {"重要", "zy"}, {"音乐", "yy"}, {"快乐", "kl"}}) {
        EXPECT_EQ(bankcli::PinyinInitials(p.text), p.initials) << p.text;
    }
}

}  // namespace
