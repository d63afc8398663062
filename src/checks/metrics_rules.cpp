#include "checks/metrics_rules.h"

#include "core/config.h"
#include "core/text.h"

namespace ds::checks {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

bool ContainsAny(const QString& text, std::initializer_list<const char16_t*> markers) {
    for (const char16_t* m : markers)
        if (text.contains(S(m))) return true;
    return false;
}

// The relays and the services answer these whole texts when they give up.
bool IsPlainFailure(const QString& answer) {
    return answer == u"wrong" || answer == u"black";
}

// A whole number is written without decimals, like the counts the services show.
QString NumberText(double value) { return ShortestNumber(value); }

// The text after a count marker without "个", as a number reads: no separators, no "约".
QString UncountedText(const QString& afterMarker) {
    QString v = afterMarker.left(kRawCountTextLimit).trimmed();
    v.remove(u',');
    v.remove(u'约');
    return v.trimmed();
}

bool StartsWithDigit(const QString& text) { return !text.isEmpty() && text[0] >= u'0' && text[0] <= u'9'; }

const QString& CountMarker(Metric m) {
    static const QString site = QString::fromUtf16(u"找到相关结果数"), domain = QString::fromUtf16(u"找到相关结果");
    return m == Metric::BaiduSite ? site : domain;
}

// Baidu's count after its marker. The "site:" answer keeps "约" in the number (which then reads as
// 0); the "domain:" answer drops it. Without "个" the number that starts the text is taken.
QString BaiduCount(const QString& answer, const QString& marker, bool dropAbout) {
    if (!answer.contains(marker)) return QStringLiteral("0");
    QString v = After(answer, marker);
    if (!v.contains(u'个')) return NumberText(NumberOf(UncountedText(v)));
    v = Before(v, QStringLiteral("个")).trimmed();
    v.remove(u',');
    if (dropAbout) v.remove(u'约');
    return NumberText(NumberOf(v));
}

QString AlexaRank(const QString& answer) {
    double value = 0;
    const QString marker = QStringLiteral("REACH RANK");
    if (answer.contains(marker)) {
        const QString v = After(answer, marker);
        const qsizetype open = v.indexOf(u'"');
        if (open >= 0) {
            const qsizetype close = v.indexOf(u'"', open + 1);
            const QString quoted = close < 0 ? v.mid(open + 1) : v.mid(open + 1, close - open - 1);
            value = NumberOf(quoted.trimmed());
        }
    }
    // The service leaves the rank out (or 0) for sites it does not rank; they sort last.
    if (value < 1) return QString::number(kNoAlexaRank);
    return NumberText(value);
}

// The toolbar answers "Rank_1:1:<rank>"; anything else carries no rank.
QString PageRankValue(const QString& answer) {
    if (answer.count(u':') != 2) return QStringLiteral("0");
    const QString trimmed = answer.trimmed();
    const qsizetype second = trimmed.indexOf(u':', trimmed.indexOf(u':') + 1);
    return NumberText(NumberOf(trimmed.mid(second + 1)));
}

bool IsAscii(QChar c) { return c.unicode() < 128; }

}  // namespace

// The search service's verification page (its title, the host its captcha is served from, the captcha
// input of its form) and its throttling notice. Markers carry markup or a whole notice, so a result
// page whose snippets merely mention a captcha is still read.
bool IsVerificationPage(const QString& answer) {
    return ContainsAny(answer, {u"<title>百度安全验证</title>", u"wappass.baidu.com", u"name=\"captcha",
                                u"name='captcha", u"请求过于频繁，请稍后再试", u"访问过于频繁"});
}

int MetricColumn(Metric m) {
    switch (m) {
    case Metric::BaiduSite: return 18;
    case Metric::BaiduDomain: return 19;
    case Metric::Alexa: return 20;
    case Metric::PageRank: return 17;
    }
    return 0;
}

int MetricSwitchIndex(Metric m) {
    switch (m) {
    case Metric::BaiduSite: return 1;
    case Metric::BaiduDomain: return 2;
    case Metric::Alexa: return 3;
    case Metric::PageRank: return 0;
    }
    return -1;
}

QString RelayScript(Metric m) {
    switch (m) {
    case Metric::BaiduSite: return QStringLiteral("baidusite.php");
    case Metric::BaiduDomain: return QStringLiteral("baidudomain.php");
    case Metric::Alexa: return QStringLiteral("ale.php");
    case Metric::PageRank: return QStringLiteral("pr.php");
    }
    return {};
}

QString NowText(const QDateTime& now) { return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QString DirectRequest(Metric m, const QString& domain, const QString& now, const QString& checksum,
                      const Config& config) {
    switch (m) {
    case Metric::BaiduSite:
        return config.baiduUrl + u"/s?wd=site:" + domain + u"&other=" + now;
    case Metric::BaiduDomain:
        return config.baiduUrl + u"/s?wd=domain:" + domain + u"&other=" + now;
    case Metric::Alexa:
        return config.alexaUrl + u"/data/" + config.alexaAccessId +
               u"?cli=10&dat=snba&ver=7.0&cdt=alx_vw=20&wid=12206&act=00000000000&ss=1680x1050&bw=964&t=0"
               u"&ttl=35371&vis=1&rq=4&other=" +
               now + u"&url=" + domain;
    case Metric::PageRank:
        return config.toolbarUrl + u"/tbr?client=navclient-auto&features=Rank&ch=" + checksum + u"&q=info:" +
               domain + u"&other=" + now;
    }
    return {};
}

QString RelayRequest(Metric m, const QString& base, const QString& domain, const QString& now) {
    return base + RelayScript(m) + u"?lallname=" + domain + u"&other=" + now;
}

QString ChecksumRequest(const QString& llinkurl, const QString& domain) {
    return llinkurl + u"prcode.php?lallname=" + domain;
}

QString ChecksumFromAnswer(const QString& answer) { return answer.trimmed(); }

bool CountTextHasNoNumber(Metric m, const QString& answer) {
    if (m != Metric::BaiduSite && m != Metric::BaiduDomain) return false;
    const QString& marker = CountMarker(m);
    if (!answer.contains(marker)) return false;
    const QString v = After(answer, marker);
    return !v.contains(u'个') && !StartsWithDigit(UncountedText(v));
}

bool AnswerFailed(Metric m, const QString& answer) {
    if (IsPlainFailure(answer) || IsVerificationPage(answer) || CountTextHasNoNumber(m, answer)) return true;
    switch (m) {
    case Metric::BaiduSite:
        return answer.contains(S(u"您的访问出错了")) ||
               !ContainsAny(answer, {u"<b>搜索结果可能不符合相关法律法规和政策", u"没有找到与", u"找到相关结果"});
    case Metric::BaiduDomain:
        return answer.contains(S(u"您的访问出错了")) || !ContainsAny(answer, {u"没有找到与", u"找到相关结果"});
    case Metric::Alexa:
        return answer.contains(u"502 Bad") || !answer.contains(u"</ALEXA>") ||
               answer.contains(u"Service Unavailable");
    case Metric::PageRank:
        return answer.contains(u"file_get_contents") || answer.contains(u">403.<") || !answer.contains(u"Rank");
    }
    return true;
}

bool IsRefusalStatus(int httpStatus) { return httpStatus == 403 || httpStatus == 429; }

QString MetricValue(Metric m, const QString& answer) {
    switch (m) {
    case Metric::BaiduSite: return BaiduCount(answer, S(u"找到相关结果数"), false);
    case Metric::BaiduDomain: return BaiduCount(answer, S(u"找到相关结果"), true);
    case Metric::Alexa: return AlexaRank(answer);
    case Metric::PageRank: return PageRankValue(answer);
    }
    return QStringLiteral("0");
}

QString MetricKey(Metric m) {
    switch (m) {
    case Metric::BaiduSite: return QStringLiteral("baidu_links");
    case Metric::BaiduDomain: return QStringLiteral("baidu_indexed");
    case Metric::Alexa: return QStringLiteral("alexa");
    case Metric::PageRank: return QStringLiteral("pagerank");
    }
    return {};
}

bool IsInternationalName(const QString& domain) {
    if (domain.isEmpty()) return false;
    const QString label = Before(domain, QStringLiteral("."));
    if (!label.isEmpty() && (!IsAscii(label.front()) || !IsAscii(label.back()))) return true;
    return !IsAscii(domain.back());
}

double NumberOf(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    if (i == text.size() || !(text[i].unicode() < 128 && (text[i].isDigit() || text[i] == u'.'))) return 0;
    return LeadingNumber(text.mid(i));
}

QString After(const QString& text, const QString& marker) {
    const qsizetype first = text.indexOf(marker);
    if (first < 0) return {};
    const qsizetype from = first + marker.size();
    const qsizetype second = text.indexOf(marker, from);
    return second < 0 ? text.mid(from) : text.mid(from, second - from);
}

QString Before(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker);
    return at < 0 ? text : text.left(at);
}

}  // namespace ds::checks
