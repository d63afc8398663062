#include "db/demo_words.h"

#include <cmath>
#include <iterator>

namespace ds::db::demo {
namespace {

template <typename T, std::size_t N>
const T& Pick(Random& r, const T (&items)[N]) {
    return items[r.below(static_cast<int>(N))];
}

const char* const kSyllables[] = {
    "bai",   "du",    "tao",   "bao",  "jing",  "dong",  "xin",  "hua", "zhong", "guo",  "wang", "luo",  "tian",
    "di",    "shan",  "shui",  "long", "feng",  "yun",   "hai",  "jia", "le",    "mei",  "hao",  "kuai", "da",
    "xiao",  "ming",  "qing",  "hong", "lan",   "lv",    "jin",  "yin", "fu",    "gui",  "an",   "kang", "ji",
    "xiang", "sheng", "chang", "tong", "cheng", "shang", "pin",  "you", "wan",   "qian", "bei",  "nan",  "xi",
    "fang",  "yuan",  "lin",   "sen",  "huo",   "xing",  "chen", "zhi", "tu",    "che",  "fei",  "yi",
};
const char* const kWords[] = {
    "shop",  "web",  "net",    "cloud", "tech", "data",  "home",  "love",  "game",   "music",  "photo", "travel",
    "china", "mall", "news",   "blog",  "soft", "star",  "sun",   "city",  "food",   "auto",   "job",   "buy",
    "link",  "info", "online", "vip",   "best", "free",  "world", "media", "design", "club",   "smart", "green",
    "gold",  "easy", "top",    "fast",  "baby", "house", "book",  "film",  "art",    "health",
};
const char* const kLuckyNumbers[] = {"88", "168", "518", "520", "666", "888", "8888", "51", "360", "365", "99", "1688"};
const char* const kChineseNames[] = {
    "中国网",   "北京旅游", "上海招聘", "深圳房产", "杭州美食", "广州汽车", "成都家居", "南京教育",
    "武汉新闻", "西安文化", "天津商贸", "重庆火锅", "苏州园林", "厦门海鲜", "青岛啤酒", "长沙娱乐",
    "中华医药", "东方财经", "阳光少年", "绿色农业", "华夏收藏", "金色童年", "快乐购物", "幸福家园",
};
const char* const kProvinces[] = {
    "京", "津", "沪", "渝", "冀", "豫", "云", "辽", "黑", "湘", "皖", "鲁", "新", "苏", "浙", "赣",
    "鄂", "桂", "甘", "晋", "蒙", "陕", "吉", "闽", "贵", "粤", "青", "藏", "川", "宁", "琼",
};
const char* const kSitePrefixes[] = {
    "阳光",   "星辰", "华夏", "东方", "天天", "快乐", "绿色", "中华", "金色", "蓝天",
    "新时代", "百姓", "开心", "优品", "老城", "山水", "春风", "易家", "安居", "云端",
};
const char* const kSiteSubjects[] = {
    "科技", "商贸", "旅游", "教育", "美食", "家居", "汽车", "摄影", "音乐", "健康",
    "母婴", "房产", "文学", "游戏", "软件", "服饰", "农业", "物流", "印刷", "装饰",
};
const char* const kPersonalSuffixes[] = {"网", "在线", "之家", "博客", "信息网", "工作室", "论坛", "空间"};
const char* const kEnterpriseSuffixes[] = {"网", "官网", "在线", "信息网", "商城", "门户"};
const char* const kCities[] = {
    "北京", "上海", "广州", "深圳", "杭州", "南京", "成都", "武汉", "西安", "天津",
    "重庆", "苏州", "厦门", "青岛", "长沙", "郑州", "济南", "合肥", "福州", "昆明",
};
const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                                 "徐", "孙", "马", "朱", "胡", "郭", "何", "林", "罗", "高"};
const char* const kGivenNames[] = {"伟", "芳", "娜", "敏", "静", "丽",   "强",   "磊",   "军",   "洋",   "勇",
                                   "艳", "杰", "涛", "明", "超", "秀英", "建华", "志强", "海燕", "晓东", "丽娟"};

std::string Letters(Random& r, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('a' + r.below(26));
    return s;
}

std::string Digits(Random& r, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('0' + (i == 0 ? r.between(1, 9) : r.below(10)));
    return s;
}

std::string Pinyin(Random& r, int syllables) {
    std::string s;
    for (int i = 0; i < syllables; ++i) s += Pick(r, kSyllables);
    return s;
}

std::string WordLike(Random& r) {
    return r.chance(0.6) ? Pinyin(r, r.between(1, 2)) : Pick(r, kWords);
}

int Utf8Length(const std::string& s) {
    int n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace

std::int64_t Random::logUniform(std::int64_t lo, std::int64_t hi) {
    const double a = std::log(static_cast<double>(lo)), b = std::log(static_cast<double>(hi));
    return static_cast<std::int64_t>(std::exp(a + (b - a) * unit()));
}

const char* const kExtensions[kExtensionCount] = {
    ".com", ".net", ".org", ".info", ".name", ".biz", ".us", ".uk", ".eu", ".de", ".tk", ".in", ".co", ".asia", ".cn",
};
const char* const kPrices[kExtensionCount] = {
    "55", "69", "69", "25", "45", "60", "50", "60", "70", "50", "", "65", "180", "80", "29",
};

Name MakeName(Random& r) {
    Name n;
    const int kind = r.below(100);
    if (kind < 35) {
        n.text = Pinyin(r, r.between(2, 3));
    } else if (kind < 50) {
        n.text = std::string(Pick(r, kWords)) + (r.chance(0.5) ? Pick(r, kWords) : Pinyin(r, 1));
    } else if (kind < 63) {
        n.text = Letters(r, r.between(3, 6));
    } else if (kind < 75) {
        n.text = r.chance(0.3) ? std::string(Pick(r, kLuckyNumbers)) + Digits(r, r.between(1, 3))
                               : Digits(r, r.between(3, 7));
        n.compose = 3;
    } else if (kind < 86) {
        n.text =
            r.chance(0.5) ? WordLike(r) + Pick(r, kLuckyNumbers) : std::string(Pick(r, kLuckyNumbers)) + WordLike(r);
        n.compose = 1;
    } else if (kind < 97) {
        n.text = WordLike(r) + "-" + WordLike(r);
        n.compose = 4;
        n.hyphen = 1;
    } else {
        n.text = Pick(r, kChineseNames);
        if (r.chance(0.5)) n.text += Pick(r, kPersonalSuffixes);
        n.compose = 5;
        n.lang = 2;
    }
    n.length = Utf8Length(n.text);
    return n;
}

const char* PickExtension(Random& r, bool chinese) {
    if (chinese) return kExtensions[r.chance(0.6) ? 14 : r.below(2)];
    // Weights follow how common each extension is among filed, dropping names.
    static const int kWeights[kExtensionCount] = {30, 12, 6, 4, 2, 2, 2, 2, 2, 2, 3, 2, 3, 4, 24};
    int pick = r.below(100);
    for (int i = 0; i < kExtensionCount; ++i) {
        if (pick < kWeights[i]) return kExtensions[i];
        pick -= kWeights[i];
    }
    return kExtensions[0];
}

std::string MakeFilingNumber(Random& r) {
    std::string s = Pick(r, kProvinces);
    if (r.chance(0.02)) return s + "ICP证" + Digits(r, 6) + "号";
    const int year = r.between(5, 16);
    s += "ICP备";
    s += static_cast<char>('0' + year / 10);
    s += static_cast<char>('0' + year % 10);
    s += std::to_string(r.between(100000, 999999)) + "号";
    if (r.chance(0.3)) s += "-" + std::to_string(r.between(1, 5));
    return s;
}

std::string MakeSiteName(Random& r, bool enterprise) {
    if (enterprise)
        return std::string(r.chance(0.4) ? Pick(r, kCities) : "") + Pick(r, kSitePrefixes) + Pick(r, kSiteSubjects) +
               Pick(r, kEnterpriseSuffixes);
    return std::string(Pick(r, kSitePrefixes)) + Pick(r, kSiteSubjects) + Pick(r, kPersonalSuffixes);
}

std::string MakeHolder(Random& r, bool enterprise) {
    if (enterprise) return std::string(Pick(r, kCities)) + Pick(r, kSitePrefixes) + Pick(r, kSiteSubjects) + "有限公司";
    return std::string(Pick(r, kSurnames)) + Pick(r, kGivenNames);
}

}  // namespace ds::db::demo
