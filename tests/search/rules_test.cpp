// The rules of the search, case by case, on a bank of real questions: which
// rows a keyword lists and the first rule that lists each. A case names rows
// by a piece of their question; "-" as the rule means the row is not listed,
// and in a "similar" case the first row named is the one listed first.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <set>

#include "search/highlight.h"
#include "tests/search/bank_for_tests.h"

namespace {

using search::Rule;

struct Case {
    const char* keyword;
    const char* rule;   // exact, reading, words, folded, similar, or "-"
    std::initializer_list<const char*> rows;
};

// clang-format off
const Case kExact[] = {
    {"长江", "exact", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"首都", "exact", {"澳大利亚的首都", "中华人民共和国的首都", "巴西的首都"}},
    {"首都是哪座城市", "exact", {"中华人民共和国的首都"}},
    {"首都是哪座城市?", "exact", {"中华人民共和国的首都"}},   // ？ is ? to the query too
    {"dna", "exact", {"DNA的空间结构"}},
    {"Dna", "exact", {"DNA的空间结构"}},
    {"ｄｎａ", "exact", {"DNA的空间结构"}},
    {"cpu", "exact", {"ＣＰＵ的中文名称"}},
    {"CPU的", "exact", {"ＣＰＵ的中文名称"}},
    {"2008", "exact", {"2008年奥运会"}},
    {"100%", "exact", {"100%的意思", "1到100的自然数"}},   // % stays a wildcard
    {"1到100", "exact", {"1到100的自然数"}},
    {"c++", "exact", {"C++的发明者"}},
    {"it's", "exact", {"It's a test"}},
    {"_NA", "exact", {"DNA的空间结构"}},
    {"维生素c", "exact", {"维生素C缺乏"}},
    {"？", "exact", {"泰山位于哪个省", "DNA的空间结构"}},
    {"“天府", "exact", {"“天府之国”"}},
    {"yhdy", "exact", {"银行的英文单词"}},       // in the PinYin
    {"cqdjcs", "exact", {"重庆的简称"}},
    {"2008nay", "exact", {"2008年奥运会"}},
    {"hamlet", "exact", {"Who wrote Hamlet"}},
    {"《长恨歌》", "exact", {"《长恨歌》的作者"}},
    {"的作者是", "exact", {"《史记》的作者", "《长恨歌》的作者", "《道德经》的作者"}},
    {"哪一年", "exact", {"辛亥革命爆发于哪一年", "卢沟桥事变"}},
    {"音乐之都", "exact", {"“音乐之都”"}},
    {"長江三峽", "exact", {"長江三峽是哪三個峽"}},
    {"长江三峡", "exact", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"null", "exact", {}},
    {"长江", "-", {"中国最长的河流", "世界上最长的河流"}},
    {"首都 北京", "-", {"中华人民共和国的首都"}},   // the answer is not searched
    // The stored PinYin comes before every reading.
    {"zjsx", "exact", {"長江三峽是哪三個峽"}},
    {"zjsx", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"ｃｑｄｊ", "exact", {"重庆的简称"}},
    {"lbss", "exact", {"“乐不思蜀”"}},
    {"amhg", "exact", {"澳門回歸祖國"}},
    {"tamgc", "exact", {"天安门广场"}},
    {"sjyh", "exact", {"世界银行总部"}},
    {"whowrote", "exact", {"Who wrote Hamlet"}},
    {"wrote hamlet", "exact", {"Who wrote Hamlet"}},
    {"it's a", "exact", {"It's a test"}},
    {"'", "exact", {"It's a test"}},   // the query doubles it: a character like any other
    {"c＋＋", "exact", {"C++的发明者"}},
    {"ＨＴＭＬ", "exact", {"HTML是什么的缩写"}},
    {"ｍｐ３", "exact", {"MP3是一种"}},
    {"mp", "exact", {"“MP”一般表示", "MP3是一种"}},
    {"npc", "exact", {"“NPC”指的是"}},
    {"g20", "exact", {"G20峰会"}},
    {"２０１６", "exact", {"G20峰会"}},
    {"9·18", "exact", {"“9·18”事变"}},
    {"臺灣", "exact", {"臺灣最高的山"}},
    {"哪座城市", "exact", {"西湖位于哪座城市", "天安门广场位于哪座城市", "世界银行总部设在哪座城市"}},
    {"发明", "exact", {"活字印刷术的发明者", "发明地动仪", "C++的发明者"}},
    {"”的下一句是", "exact", {"“床前明月光”", "“得道多助”"}},
    {"的作者是", "-", {"《水浒传》的作者一般认为是"}},
    // '%' and '_' are the query's wildcards; a full-width percent sign is not.
    {"首都%城市", "exact", {"中华人民共和国的首都"}},
    {"首都%城市", "-", {"澳大利亚的首都", "巴西的首都"}},
    {"长江_峡", "exact", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"长江_峡", "-", {"長江三峽是哪三個峽"}},
    {"長江_峽", "exact", {"長江三峽是哪三個峽"}},
    {"哪_年", "exact", {"辛亥革命爆发于哪一年", "郑和第一次下西洋是哪一年"}},
    {"哪_年", "-", {"2008年奥运会"}},
    {"_都", "exact", {"澳大利亚的首都", "“音乐之都”"}},
    {"_都", "folded", {"都江堰水利工程"}},   // nothing comes before its 都
    {"cq_j", "exact", {"重庆的简称"}},
    {"%的意思", "exact", {"100%的意思", "It's a test的意思"}},
    {"１００％", "exact", {"100%的意思"}},
    {"１００％", "folded", {"1到100的自然数"}},
};

const Case kReading[] = {
    {"changjiang", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡", "長江三峽是哪三個峽"}},
    {"cj", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"cjiang", "reading", {"长江三峡中最西边"}},
    {"chjiang", "reading", {"长江三峡中最西边"}},
    {"changj", "reading", {"长江三峡中最西边"}},
    {"cjsx", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"changjiangsanxia", "reading", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"cjsxzzxb", "reading", {"长江三峡中最西边"}},
    {"zgzc", "reading", {"中国最长的河流"}},
    {"zhongguozuichang", "reading", {"中国最长的河流"}},
    {"zhongg", "reading", {"中国最长的河流", "中国面积最大的省级"}},
    {"zhonghua", "reading", {"中华人民共和国的首都"}},
    {"lvse", "reading", {"绿色植物"}},
    {"luse", "reading", {"绿色植物"}},
    {"LVSE", "reading", {"绿色植物"}},
    {"ｌｖｓｅ", "reading", {"绿色植物"}},
    {"lv", "reading", {"红绿灯中", "吕布的坐骑", "绿色植物"}},
    {"hld", "reading", {"红绿灯中"}},
    {"yinyue", "reading", {"音乐神童", "音乐之都"}},
    {"yinle", "reading", {"音乐神童"}},
    {"yyst", "reading", {"音乐神童"}},
    {"kuaile", "reading", {"快乐的反义词"}},
    {"yinhang", "reading", {"银行的英文单词"}},
    {"chongqing", "reading", {"重庆的简称"}},
    {"zhongyao", "reading", {"重要的事情"}},
    {"chongyang", "reading", {"重阳节"}},
    {"zhongyang", "reading", {"重阳节", "中央集权"}},
    {"cyj", "reading", {"重阳节"}},
    {"rxhd", "exact", {"人行横道线"}},
    {"renxhd", "reading", {"人行横道线"}},
    {"renxing", "reading", {"人行横道线"}},
    {"2008niana", "reading", {"2008年奥运会"}},
    {"niany", "reading", {"2008年奥运会"}},
    {"dnadekj", "reading", {"DNA的空间结构"}},
    {"wss", "reading", {"维生素C缺乏", "缺乏维生素A"}},
    {"wsscqf", "reading", {"维生素C缺乏"}},
    {"cpudezhongwen", "reading", {"ＣＰＵ的中文名称"}},
    {"xihu", "reading", {"西湖位于哪座城市"}},
    {"xh", "reading", {"西湖位于哪座城市"}},
    {"taishan", "reading", {"泰山位于哪个省"}},
    {"tsw", "reading", {"泰山位于哪个省"}},
    {"emeishan", "reading", {"峨眉山位于"}},
    {"qinshihuang", "reading", {"秦始皇兵马俑", "秦始皇的名字"}},
    {"bmy", "reading", {"秦始皇兵马俑"}},
    {"xinhai", "reading", {"辛亥革命爆发于", "辛亥革命的领导者"}},
    {"xhgm", "reading", {"辛亥革命爆发于"}},
    {"dyrcj", "reading", {"“但愿人长久”"}},
    {"dyrzj", "reading", {"“但愿人长久”"}},
    {"changhen", "reading", {"《长恨歌》的作者"}},
    {"jinghang", "reading", {"京杭大运河的北端", "京杭大运河的南端"}},
    {"jhdyh", "reading", {"京杭大运河的北端"}},
    {"lugouqiao", "reading", {"卢沟桥事变"}},
    {"zuixiao", "reading", {"面积最小的大洲"}},
    {"shijie", "reading", {"世界上最高的山峰", "世界上最长的河流"}},
    {"sjszg", "reading", {"世界上最高的山峰"}},
    {"ttdg", "-", {"“天府之国”"}},
    {"tfzg", "reading", {"“天府之国”"}},
    {"jgjc", "reading", {"“鞠躬尽瘁"}},
    {"chibi", "reading", {"赤壁之战"}},
    {"changjiangx", "-", {"长江三峡中最西边"}},
    {"zgzcx", "-", {"中国最长的河流"}},
    {"hjiang", "-", {"长江三峡中最西边"}},
    {"chjang", "-", {"长江三峡中最西边"}},
    {"lvsi", "-", {"绿色植物"}},
    {"yinlee", "-", {"音乐神童"}},
    {"changjiang", "-", {"中国最长的河流"}},
    // Polyphones: whichever reading the words around them take.
    {"shuihuzhuan", "reading", {"《水浒传》的作者一般认为是", "《水浒传》中梁山好汉"}},
    {"shuihuchuan", "reading", {"《水浒传》中景阳冈"}},
    {"juese", "reading", {"京剧中扮演女性角色", "华容道游戏中要移出的角色", "角色扮演游戏"}},
    {"jiaose", "reading", {"角色扮演游戏"}},
    {"yuanzhoulv", "reading", {"把圆周率精确到", "圆周率约等于"}},
    {"yuanzhoulu", "reading", {"圆周率约等于"}},
    {"yuanzhoushuai", "reading", {"圆周率约等于"}},
    {"shuidiaogetou", "reading", {"《水调歌头·明月几时有》"}},
    {"shuitiao", "reading", {"《水调歌头·明月几时有》"}},
    {"shaozhuang", "reading", {"“少壮不努力”"}},
    {"shanmai", "reading", {"南美洲最长的山脉"}},
    {"chunmianbujuexiao", "reading", {"“春眠不觉晓”"}},
    {"bujiaoxiao", "reading", {"“春眠不觉晓”"}},
    {"daoba", "reading", {"倒拔垂杨柳"}},
    {"liuliang", "reading", {"流量最大的河流"}},
    {"kaiyuanshengshi", "reading", {"“开元盛世”"}},
    {"kangqian", "reading", {"“康乾盛世”"}},
    {"dujiangyan", "reading", {"都江堰水利工程"}},
    {"hangdang", "reading", {"京剧中扮演女性角色的行当"}},
    {"shijieyinhang", "reading", {"世界银行总部"}},
    {"huanwoheshan", "reading", {"“还我河山”"}},
    {"haiwo", "reading", {"“还我河山”"}},
    {"lebusishu", "reading", {"“乐不思蜀”"}},
    {"yuebusishu", "reading", {"“乐不思蜀”"}},
    {"dedaoduozhu", "reading", {"“得道多助”"}},
    {"shisanchao", "reading", {"十三朝古都"}},
    {"hanchao", "reading", {"汉朝的开国皇帝"}},
    {"chaodai", "reading", {"郑和下西洋发生在哪个朝代", "张骞出使西域是在哪个朝代"}},
    {"bamiaozhuzhang", "reading", {"“拔苗助长”"}},
    {"hongjunchangzheng", "reading", {"红军长征"}},
    {"aoyunhui", "reading", {"2008年奥运会", "奥运会五环旗", "第一届现代奥运会"}},
    {"didongyi", "reading", {"发明地动仪"}},
    // Initials, whole syllables and pieces of them, mixed.
    {"zhgzch", "reading", {"中国最长的河流"}},
    {"zhongguozuic", "reading", {"中国最长的河流"}},
    {"zgzuichang", "reading", {"中国最长的河流"}},
    {"tiananmen", "reading", {"天安门广场"}},
    {"tian'anmen", "reading", {"天安门广场"}},
    {"xi'an", "reading", {"十三朝古都西安"}},
    {"xian", "reading", {"十三朝古都西安", "“先天下之忧而忧”", "本初子午线"}},
    {"sanguo", "reading", {"三国中蜀国", "《三国演义》的作者"}},
    {"sgyy", "reading", {"《三国演义》的作者", "《三国演义》中“过五关"}},
    {"qinshihuangbingmayong", "reading", {"秦始皇兵马俑"}},
    {"qinshihuangbingmayong", "-", {"秦始皇的名字"}},
    {"cjsxs", "reading", {"长江三峡是哪三个峡", "長江三峽是哪三個峽"}},
    {"cjsxs", "-", {"长江三峡中最西边"}},
    {"zongguo", "-", {"中国最长的河流"}},   // z is not zh
    {"sijie", "-", {"世界上最高的山峰"}},
    // ü typed as v or u; v stands for nothing else.
    {"nvshen", "reading", {"炼石补天的女神"}},
    {"nushen", "reading", {"炼石补天的女神"}},
    {"nvhuangdi", "reading", {"唯一的女皇帝"}},
    {"nuhuangdi", "reading", {"唯一的女皇帝"}},
    {"lvbu", "reading", {"吕布的坐骑"}},
    {"lubu", "reading", {"吕布的坐骑"}},
    {"dinglv", "reading", {"万有引力定律"}},
    {"dinglu", "reading", {"万有引力定律"}},
    {"nvxing", "reading", {"京剧中扮演女性角色"}},
    {"ludi", "reading", {"陆地上跑得最快", "陆地上最大的动物"}},
    {"lvdi", "-", {"陆地上跑得最快", "陆地上最大的动物"}},
    // Letters and digits in the question give themselves.
    {"08nian", "reading", {"2008年奥运会"}},
    {"1dao100", "reading", {"1到100的自然数"}},
    {"1d100", "reading", {"1到100的自然数"}},
    {"g20fenghui", "reading", {"G20峰会"}},
    {"2016nian", "reading", {"G20峰会"}},
    {"918shibian", "reading", {"“9·18”事变"}},
    {"mp3shi", "reading", {"MP3是一种"}},
    {"nbazhongmvp", "reading", {"NBA中“MVP”"}},
    {"erjinzhishu1010", "reading", {"二进制数1010"}},
    {"weishengsuc", "reading", {"维生素C缺乏"}},
    {"weishengsuc", "-", {"缺乏维生素A"}},
    {"hpyb", "reading", {"“HP”一般表示"}},
    {"hpyb", "-", {"“MP”一般表示"}},
    // Letter case, width, punctuation and Han characters in the keyword.
    {"ChangJiang", "reading", {"长江三峡中最西边"}},
    {"ｃｈａｎｇｊｉａｎｇ", "reading", {"长江三峡中最西边"}},
    {"cj-sx", "reading", {"长江三峡中最西边"}},
    {"chang'jiang", "reading", {"长江三峡中最西边"}},
    {"jgjcseh", "reading", {"“鞠躬尽瘁"}},
    {"sdgtmy", "reading", {"《水调歌头·明月几时有》"}},
    {"tfzgtc", "reading", {"“天府之国”通常"}},
    {"长jiang", "reading", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"秦shihuang", "reading", {"秦始皇兵马俑", "秦始皇的名字"}},
    {"zhong国最长", "reading", {"中国最长的河流"}},
    {"孙wukong", "reading", {"孙悟空的兵器", "《西游记》中孙悟空"}},
};

const Case kWords[] = {
    {"长江 三峡", "words", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"三峡 长江", "words", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"首都 澳大利亚", "words", {"澳大利亚的首都"}},
    {"澳大利亚　首都", "words", {"澳大利亚的首都"}},   // a full-width blank
    {"cj sx", "words", {"长江三峡中最西边"}},
    {"sx cj", "words", {"长江三峡中最西边"}},
    {"changjiang zuixi", "words", {"长江三峡中最西边"}},
    {"首都 巴西", "words", {"巴西的首都"}},
    {"dna 结构", "words", {"DNA的空间结构"}},
    {"DNA 空间", "words", {"DNA的空间结构"}},
    {"哪一年 辛亥", "words", {"辛亥革命爆发于哪一年"}},
    {"xhgm 哪一年", "words", {"辛亥革命爆发于哪一年"}},
    {"yhdy 银行", "words", {"银行的英文单词"}},
    {"hamlet who", "words", {"Who wrote Hamlet"}},
    {"秦始皇 兵马俑", "words", {"秦始皇兵马俑"}},
    {"bing ma yong", "words", {"秦始皇兵马俑"}},
    {"qin shi huang", "words", {"秦始皇兵马俑", "秦始皇的名字"}},
    {"长江 ", "words", {"长江三峡中最西边"}},
    {" 长江", "words", {"长江三峡中最西边"}},
    {"泰山 省", "words", {"泰山位于哪个省"}},
    {"西湖 城市", "words", {"西湖位于哪座城市"}},
    {"重庆 简称", "words", {"重庆的简称"}},
    {"首都 是哪座城市", "words", {"中华人民共和国的首都"}},
    {"長江 三個", "words", {"长江三峡是哪三个峡", "長江三峽是哪三個峽"}},
    {"長江 三個", "-", {"长江三峡中最西边"}},
    {"长江 黄河", "-", {"长江三峡中最西边"}},
    {"首都 北京", "-", {"澳大利亚的首都"}},
    {"西游记 孙悟空", "words", {"《西游记》中孙悟空的师父"}},
    {"孙悟空 西游记", "words", {"《西游记》中孙悟空的师父"}},
    {"孙悟空 兵器", "words", {"孙悟空的兵器"}},
    {"孙悟空 兵器", "-", {"猪八戒的兵器"}},
    {"兵器 zhubajie", "words", {"猪八戒的兵器"}},
    {"xiyouji 作者", "words", {"《西游记》的作者"}},
    {"xiyouji 作者", "-", {"《西游记》中孙悟空"}},
    {"紅樓夢 作者", "words", {"《红楼梦》的作者"}},
    {"红楼梦 葬花", "words", {"《红楼梦》中“葬花”"}},
    {"长江  三峡", "words", {"长江三峡中最西边"}},
    {"长江, 三峡", "words", {"长江三峡中最西边"}},
    {"首都 是 澳大利亚", "words", {"澳大利亚的首都"}},
    {"c 维生素", "words", {"维生素C缺乏"}},
    {"c 维生素", "-", {"缺乏维生素A"}},
    {"维生素 a", "words", {"缺乏维生素A"}},
    {"维生素 a", "-", {"维生素C缺乏"}},
    {"游戏 mp", "words", {"“MP”一般表示"}},
    {"游戏 mp", "-", {"MP3是一种"}},
    {"mp 3", "words", {"MP3是一种"}},
    {"mp 3", "-", {"“MP”一般表示"}},
    {"2016 g20", "words", {"G20峰会"}},
    {"奥运会 北京", "words", {"北京举办夏季奥运会", "北京举办冬季奥运会"}},
    {"奥运会 北京", "-", {"2008年奥运会"}},
    {"aoyunhui beijing", "words", {"北京举办夏季奥运会"}},
    {"huanqiu shouci", "words", {"首次完成环球航行"}},
    {"词 国歌", "words", {"国歌的词作者"}},
    {"词 国歌", "-", {"国歌的曲作者"}},
    {"guoge qu", "words", {"国歌的曲作者"}},
    {"guoge qu", "-", {"国歌的词作者"}},
    {"澳门 回归", "words", {"澳門回歸祖國"}},
    {"台湾 最高", "words", {"臺灣最高的山"}},
    {"ｄｎａ　结构", "words", {"DNA的空间结构"}},
    {"zhongguo diyi", "words", {"中国第一位进入太空", "中国第一颗人造卫星", "中国历史上第一个统一"}},
    {"nba mvp", "words", {"NBA中“MVP”"}},
    {"test it's", "words", {"It's a test"}},
    {"amhg 1999", "-", {"澳門回歸祖國"}},   // 1999 is its answer
};

const Case kFolded[] = {
    {"在哪裡", "folded", {"我国领土最南端在哪里", "中国共产党第一次全国代表大会在哪里召开"}},   // 裡 names itself and 里
    {"長江", "folded", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"长江三峡", "folded", {"長江三峽是哪三個峽"}},
    {"長江三峽", "folded", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"三个峡", "folded", {"長江三峽是哪三個峽"}},
    {"中國", "folded", {"中国最长的河流", "中国面积最大的淡水湖"}},
    {"首都，是哪座城市", "folded", {"中华人民共和国的首都"}},
    {"天府之国通常", "folded", {"“天府之国”"}},
    {"桂林山水甲天下说的是", "folded", {"“桂林山水甲天下”"}},
    {"鞠躬尽瘁死而后已", "folded", {"“鞠躬尽瘁"}},
    {"鞠躬尽瘁,死而后已", "exact", {"“鞠躬尽瘁"}},   // ， is , to the query
    {"鞠躬尽瘁、死而后已", "folded", {"“鞠躬尽瘁"}},
    {"水调歌头明月几时有", "folded", {"《水调歌头·明月几时有》"}},
    {"長恨歌", "folded", {"《长恨歌》的作者"}},
    {"國寶大熊貓", "folded", {"国宝大熊猫的故乡"}},
    {"c.p.u", "folded", {"ＣＰＵ的中文名称"}},
    {"d-n-a", "folded", {"DNA的空间结构"}},
    {"1到1-0-0", "folded", {"1到100的自然数"}},
    {"長江三峽中", "folded", {"长江三峡中最西边"}},
    {"中國最長的河流", "folded", {"中国最长的河流"}},
    {"中國最長的河流", "-", {"世界上最长的河流"}},
    {"中國最長", "-", {"世界上最长的河流"}},
    {"長江 三峽", "-", {"中国最长的河流"}},
    {"最後一位", "folded", {"清朝最后一位皇帝"}},
    {"先天下之憂而憂", "folded", {"“先天下之忧而忧”"}},
    {"一天有多少分鐘", "folded", {"一天有多少分钟"}},
    {"面積最大", "folded", {"世界上面积最大的国家", "中国面积最大的淡水湖"}},
    {"面積最大", "-", {"面积最小的大洲"}},
    {"國歌", "folded", {"国歌的词作者", "中华人民共和国国歌"}},
    {"紅樓夢", "folded", {"《红楼梦》的作者", "《红楼梦》中“葬花”"}},
    {"三國演義", "folded", {"《三国演义》的作者"}},
    {"孫悟空", "folded", {"孙悟空的兵器"}},
    {"電話", "folded", {"发明电话的人", "我国的火警电话"}},
    {"發明", "folded", {"活字印刷术的发明者"}},
    {"計算機", "folded", {"计算机的中央处理器", "世界上第一台通用电子计算机"}},
    {"圓周率", "folded", {"圆周率约等于"}},
    {"諾貝爾", "folded", {"两次获得诺贝尔奖"}},
    {"什麼東西", "folded", {"什么东西越洗越脏", "什么东西有头无脚"}},
    {"台湾最高的山", "folded", {"臺灣最高的山"}},
    {"台灣", "folded", {"臺灣最高的山"}},
    {"澳门回归祖国", "folded", {"澳門回歸祖國"}},
    {"長江三峽是哪三個峽", "folded", {"长江三峡是哪三个峡"}},
    {"長江三峽是哪三個峽", "-", {"长江三峡中最西边"}},
    {"中華人民共和國的首都是哪座城市", "folded", {"中华人民共和国的首都"}},
    {"\"天府之国\"", "folded", {"“天府之国”"}},
    {"<长恨歌>", "folded", {"《长恨歌》的作者"}},
    {"长江，三峡", "folded", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"9.18", "folded", {"“9·18”事变"}},
    {"918事变", "folded", {"“9·18”事变"}},
    {"床前明月光的下一句", "folded", {"“床前明月光”"}},
    {"水调歌头・明月几时有", "folded", {"《水调歌头·明月几时有》"}},   // a katakana middle dot
    {"nbamvp", "-", {"NBA中“MVP”"}},
};

const Case kSimilar[] = {
    {"中华人民共和过的首都是哪座城市", "similar", {"中华人民共和国的首都"}},
    {"中国最长河流是什么呢", "similar", {"中国最长的河流"}},
    {"世界上面积最大国家是哪个", "similar", {"世界上面积最大的国家"}},
    {"changjiangsanxiax", "-", {"长江三峡中最西边"}},   // long, but letters share no pairs with it
    {"中国最长的河留是", "similar", {"中国最长的河流"}},   // one character wrong
    {"中国最长的河留？", "similar", {"中国最长的河流"}},   // punctuation counts towards the eight
    {"中国最长的河留", "-", {"中国最长的河流"}},   // seven characters: too short to guess
    {"中国 最长的河留", "-", {"中国最长的河流"}},   // blanks do not count
    {"中国面积最大淡水湖是", "similar", {"中国面积最大的淡水湖"}},   // a word left out
    {"床前明月光下一句是", "similar", {"“床前明月光”"}},
    {"请问世界上最高的山峰是哪座", "similar", {"世界上最高的山峰"}},   // words put in
    {"天府之国通常指那个省", "similar", {"“天府之国”"}},
    {"中華人民共和國的首府是哪座城市", "similar", {"中华人民共和国的首都"}},
    {"Who wrote Hamlett?", "similar", {"Who wrote Hamlet"}},
    {"“桂林山水甲天下”说的是哪个省区的景象?", "similar", {"“桂林山水甲天下”"}},
    {"中华人民共和国成立于哪一年", "exact", {"中华人民共和国成立于"}},
    {"中华人民共和国成立于哪一年", "-", {"中华人民共和国的首都"}},   // a row matches: no guessing
};
// clang-format on

class SearchRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        rows_ = new std::vector<searchtest::Row>(searchtest::TestBank());
        index_ = new search::SearchIndex(static_cast<uint32_t>(rows_->size()), searchtest::SourceOf(*rows_));
    }
    static void TearDownTestSuite() {
        delete index_;
        delete rows_;
    }

    // The first row whose question holds `piece`.
    static uint32_t RowOf(const char* piece) {
        for (uint32_t r = 0; r < rows_->size(); ++r) {
            if ((*rows_)[r][0] && (*rows_)[r][0]->find(piece) != std::string::npos) return r;
        }
        ADD_FAILURE() << "no question holds " << piece;
        return 0;
    }

    // Each case both fresh and right after its keyword less its last character
    // (the shortcut a growing keyword takes), with the same outcome. Whatever
    // the case, the list holds exact rows first, each part in table order, and
    // no row twice; a similar list is flagged and starts with the case's first row.
    static void Check(const Case* begin, const Case* end) {
        for (const Case* c = begin; c != end; ++c) {
            const std::string keyword = c->keyword, rule = c->rule;
            index_->Search("\x01");   // forget the previous keyword
            const search::SearchResult fresh = index_->Search(keyword);
            std::map<uint32_t, std::string> listed;
            for (size_t i = 0; i < fresh.rows.size(); ++i) listed[fresh.rows[i]] = search::RuleName(fresh.rules[i]);
            for (const char* piece : c->rows) {
                const auto it = listed.find(RowOf(piece));
                const std::string got = it == listed.end() ? "-" : it->second;
                EXPECT_EQ(got, rule) << "keyword '" << keyword << "', row " << piece;
            }
            if (rule != "-") {
                EXPECT_EQ(fresh.similar, rule == "similar") << "keyword '" << keyword << "'";
            }
            if (rule == "similar" && !fresh.rows.empty()) {
                EXPECT_EQ(fresh.rows[0], RowOf(*c->rows.begin())) << "keyword '" << keyword << "': best row first";
            }
            ExpectListOrder(keyword, fresh);
            size_t cut = keyword.size() - 1;   // where the last character starts
            while (cut > 0 && (static_cast<unsigned char>(keyword[cut]) & 0xC0) == 0x80) --cut;
            if (cut > 0) {
                index_->Search(keyword.substr(0, cut));
                const search::SearchResult grown = index_->Search(keyword);
                EXPECT_EQ(grown.rows, fresh.rows) << "keyword '" << keyword << "' grown by its last character";
            }
        }
    }

    static void ExpectListOrder(const std::string& keyword, const search::SearchResult& r) {
        std::set<searchtest::Row> rows;
        for (size_t i = 0; i < r.rows.size(); ++i) {
            EXPECT_TRUE(rows.insert((*rows_)[r.rows[i]]).second) << "keyword '" << keyword << "' lists a row twice";
            if (i == 0 || r.similar) continue;
            const bool exactBefore = r.rules[i - 1] == Rule::Exact, exact = r.rules[i] == Rule::Exact;
            EXPECT_TRUE(exactBefore || !exact) << "keyword '" << keyword << "': an exact row after another";
            if (exactBefore == exact) {
                EXPECT_LT(r.rows[i - 1], r.rows[i]) << "keyword '" << keyword << "': not in table order";
            }
        }
    }

    static std::vector<searchtest::Row>* rows_;
    static search::SearchIndex* index_;
};
std::vector<searchtest::Row>* SearchRules::rows_ = nullptr;
search::SearchIndex* SearchRules::index_ = nullptr;

TEST_F(SearchRules, ExactPiecesOfQuestionOrPinYin) { Check(std::begin(kExact), std::end(kExact)); }
TEST_F(SearchRules, EveryReadingOfEveryCharacter) { Check(std::begin(kReading), std::end(kReading)); }
TEST_F(SearchRules, EveryWordSomewhereInAnyOrder) { Check(std::begin(kWords), std::end(kWords)); }
TEST_F(SearchRules, FoldedFormsAndPunctuation) { Check(std::begin(kFolded), std::end(kFolded)); }
TEST_F(SearchRules, SimilarQuestionsForALongKeyword) { Check(std::begin(kSimilar), std::end(kSimilar)); }

// A keyword that goes on from punctuation or a blank alone ("《", then
// "《孙悟空"; " ", then " cj") must not start from the rows its first
// keystroke found: only the exact rule could find those.
TEST_F(SearchRules, TypingOnAfterPunctuationAloneListsWhatAFreshSearchLists) {
    for (const std::string keyword : {"《孙悟空", " cj"}) {
        index_->Search("\x01");
        const search::SearchResult fresh = index_->Search(keyword);
        ASSERT_FALSE(fresh.rows.empty()) << keyword;
        search::SearchResult typed;
        for (size_t end = 1; end <= keyword.size(); ++end) {
            if (end == keyword.size() || (static_cast<unsigned char>(keyword[end]) & 0xC0) != 0x80) {
                typed = index_->Search(keyword.substr(0, end));
            }
        }
        EXPECT_EQ(typed.rows, fresh.rows) << "keyword '" << keyword << "' typed one character at a time";
    }
}

TEST_F(SearchRules, ListsExactRowsFirstThenTheRestInTableOrderOnce) {
    const search::SearchResult r = index_->Search("长江三峡");
    ASSERT_GE(r.rows.size(), 3u);
    // Two exact rows in table order, then the traditional one (its repeat
    // further down is not listed again).
    EXPECT_EQ(r.rows[0], RowOf("长江三峡中最西边"));
    EXPECT_EQ(r.rows[1], RowOf("长江三峡是哪三个峡"));
    EXPECT_LT(r.rows[0], r.rows[1]);
    EXPECT_EQ(r.rows[2], RowOf("長江三峽是哪三個峽"));
    EXPECT_EQ(r.rows.size(), 3u);
    EXPECT_FALSE(r.similar);
}

TEST_F(SearchRules, SimilarListIsBestFirstAndFlagged) {
    const search::SearchResult r = index_->Search("中华人民共和过的首都是哪座城市");
    ASSERT_FALSE(r.rows.empty());
    EXPECT_TRUE(r.similar);
    EXPECT_EQ(r.rows[0], RowOf("中华人民共和国的首都"));
    EXPECT_LE(r.rows.size(), search::kMostSimilar);
    // A short keyword that matches nothing lists nothing.
    EXPECT_TRUE(index_->Search("长江黄河").rows.empty());
    // Only punctuation: the exact rule alone, never every row.
    EXPECT_LT(index_->Search("…").rows.size(), 3u);
}

TEST(Highlight, SpansAreByteOffsetsOfTheMatchedCharacters) {
    using Spans = std::vector<search::ByteSpan>;
    // 长 江 三 峡: three bytes each.
    EXPECT_EQ(search::MatchedSpans("长江三峡中最西边", "cj"), (Spans{{0, 6}}));
    EXPECT_EQ(search::MatchedSpans("长江三峡中最西边", "三峡"), (Spans{{6, 12}}));
    EXPECT_EQ(search::MatchedSpans("長江三峽", "长江"), (Spans{{0, 6}}));
    EXPECT_EQ(search::MatchedSpans("ＣＰＵ的", "cpu"), (Spans{{0, 9}}));
    // Words anywhere, each highlighted; punctuation inside a run stays in it.
    EXPECT_EQ(search::MatchedSpans("“天府之国”通常指哪个省", "省 天府"), (Spans{{3, 9}, {33, 36}}));
    EXPECT_EQ(search::MatchedSpans("鞠躬尽瘁，死而后已", "尽瘁死"), (Spans{{6, 18}}));
    EXPECT_EQ(search::MatchedSpans("DNA的结构", "dna"), (Spans{{0, 3}}));
    EXPECT_EQ(search::MatchedSpans("DNA的结构", "xyz"), Spans{});
    // A similar question: the characters of the pairs it shares.
    EXPECT_EQ(search::MatchedSpans("中国的首都", "中国首都是哪里呢啊"), (Spans{{0, 6}, {9, 15}}));
}

}  // namespace
