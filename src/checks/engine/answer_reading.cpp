#include "checks/engine/answer_reading.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>

#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "checks/verdict.h"
#include "core/config.h"
#include "core/text.h"
#include "net/decode.h"
#include "net/fetch.h"

namespace ds::checks::engine {
namespace {

std::optional<Metric> MetricOf(Ask ask) {
    switch (ask) {
    case Ask::BaiduSite: return Metric::BaiduSite;
    case Ask::BaiduDomain: return Metric::BaiduDomain;
    case Ask::Alexa: return Metric::Alexa;
    case Ask::PageRank: return Metric::PageRank;
    default: return std::nullopt;
    }
}

QString StatusReason(int status) { return QStringLiteral("HTTP %1").arg(status); }

CheckResult Base(const CheckJob& job, int status) {
    CheckResult r;
    r.key = job.key;
    r.domain = job.domain;
    r.ask = job.ask;
    r.httpStatus = status;
    r.host = HostOf(job.url);
    return r;
}

void ReadWhois(CheckResult& r, const CheckJob& job, const net::RequestResult& reply, const QString& body) {
    if (!reply.ok) {
        r.reason = NoAnswerReason(reply.error);
        return;
    }
    const QString page = body.toLower();
    r.regOutcome = ClassifyWhoisReply(reply.status, page, job.domain);
    if (reply.status < 200 || reply.status > 299) {
        r.reason = StatusReason(reply.status) + u", an error page, not an answer";
        return;
    }
    if (r.regOutcome != ClassifyWhoisReply(reply.status, page))
        r.reason = StatusReason(reply.status) + u", " + WhoisAnswerReason(RegOutcome::Free, page) +
                   u" on a page that does not name " + job.domain;
    else
        r.reason = StatusReason(reply.status) + u", " + WhoisAnswerReason(r.regOutcome, page);
    r.registrationRecord = r.regOutcome == RegOutcome::Registered && ShowsRegistrationRecord(page);
    // A page no list knows falls through to "registered"; without a registration record on it (a "query
    // limit exceeded" page) it says nothing, and the retry pass should ask again.
    if (r.regOutcome == RegOutcome::Registered && !r.registrationRecord) {
        r.regOutcome = RegOutcome::Failed;
        if (!r.reason.contains(u"no registration record")) r.reason += u", no registration record shown";
    }
    r.end = r.regOutcome == RegOutcome::Failed ? JobEnd::Failed : JobEnd::Answered;
}

constexpr qint64 kRegistryAnswerCap = 4LL * 1024 * 1024;

// A whois server's text: UTF-8 when it is that, else the local code page (CNNIC and others answer in
// GB2312/GBK when asked by older clients).
QString DecodeWhoisText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    try {
        return net::BytesToBstr(bytes, config().codePage);
    } catch (const std::exception&) {
        return QString::fromLatin1(bytes);
    }
}

registry::RegistryAnswer ReadRegistryReply(const CheckJob& job, const net::RequestResult& reply) {
    registry::RegistryAnswer a;
    const QString who = job.ask == Ask::Rdap ? QStringLiteral("RDAP") : u"whois " + HostOf(job.url);
    if (!reply.ok) {
        a.reason = who + u": " + NoAnswerReason(reply.error);
    } else if (reply.truncated) {
        a.reason = who + QStringLiteral(": an answer larger than %1 MB, not read").arg(kRegistryAnswerCap >> 20);
    } else if (job.ask == Ask::Rdap) {
        a = registry::ReadRdapAnswer(reply.status, reply.contentType, reply.body, job.registryName);
    } else {
        a = registry::ReadWhoisText(DecodeWhoisText(reply.body), QUrl(job.url).host(), job.registryName);
    }
    return a;
}

void ReadRegistry(CheckResult& r, const CheckJob& job, const net::RequestResult& reply) {
    const registry::RegistryAnswer a = ReadRegistryReply(job, reply);
    r.registry = a;
    r.reason = a.reason;
    r.regOutcome = OutcomeOf(a.verdict);
    r.registrationRecord = a.record && r.regOutcome == RegOutcome::Registered;
    r.end = a.verdict == registry::Verdict::Unknown ? JobEnd::Failed : JobEnd::Answered;
    if (r.end == JobEnd::Failed) r.regOutcome = RegOutcome::Failed;
}

// What the metric services said, as the check's rules read it: "wrong" for a failed request and for a
// refusal status, else the page.
QString MetricAnswer(const net::RequestResult& reply, const QString& body) {
    if (!reply.ok || IsRefusalStatus(reply.status)) return QStringLiteral("wrong");
    return body;
}

void ReadMetric(CheckResult& r, Metric m, const net::RequestResult& reply, const QString& body) {
    r.answer = MetricAnswer(reply, body);
    if (!reply.ok) {
        r.reason = NoAnswerReason(reply.error);
    } else if (IsRefusalStatus(reply.status)) {
        r.reason = StatusReason(reply.status) + u", refused";
    } else if (IsVerificationPage(r.answer)) {
        r.reason = StatusReason(reply.status) + u", verification page";
    } else if (CountTextHasNoNumber(m, r.answer)) {
        r.reason = StatusReason(reply.status) + u", the count text holds no number";
    } else if (AnswerFailed(m, r.answer)) {
        r.reason = StatusReason(reply.status) + u", the answer carries no value";
    } else {
        r.end = JobEnd::Answered;
        r.value = MetricValue(m, r.answer);
        r.reason = StatusReason(reply.status);
    }
}

}  // namespace

net::RequestOptions RequestOptionsFor(Ask ask) {
    if (ask == Ask::Whois) return net::PlainOptions(false);
    net::RequestOptions o = net::DlOptions();
    if (ask == Ask::Rdap) {
        o.extraHeaders = {"Accept: application/rdap+json"};
        o.followRedirects = true;
        o.maxRedirects = 3;
        o.bodyCapBytes = kRegistryAnswerCap;
    } else if (ask == Ask::RegistryWhois) {
        o.protocols = "gopher";
        o.followRedirects = false;
        o.bodyCapBytes = kRegistryAnswerCap;
    }
    return o;
}

QString CharsetFor(Ask ask) {
    if (ask == Ask::Rdap || ask == Ask::RegistryWhois) return QStringLiteral("UTF-8");
    return ask == Ask::Whois ? QStringLiteral("GB2312") : QStringLiteral("gb2312");
}

QString TransferAddress(const CheckJob& job) {
    if (job.ask != Ask::RegistryWhois) return job.url;
    const QUrl u(job.url);
    // The first path character of a gopher address is the item type, not part of what is sent.
    return u"gopher://" + u.host() + u':' + QString::number(u.port(43)) + u"/0" + job.registryName;
}

bool IsAskable(const CheckJob& job) {
    if (job.ask == Ask::RegistryWhois) {
        const QUrl u(job.url);
        return u.scheme() == u"whois" && !u.host().isEmpty() && !job.registryName.isEmpty();
    }
    return net::IsWebAddress(job.url);
}

QString HostOf(const QString& url) {
    const QUrl u(url);
    const QString host = u.host().toLower();
    return u.port() > 0 ? host + u':' + QString::number(u.port()) : host;
}

bool IsPushBack(const net::RequestResult& reply, const QString& decodedBody, const CheckResult& read) {
    if (!reply.ok) return false;
    if (read.ask == Ask::RegistryWhois) return read.registry && read.registry->pushBack;
    return reply.status == 429 || reply.status == 503 || IsVerificationPage(decodedBody);
}

QString NoAnswerReason(const QString& transferError) {
    static const QRegularExpression limit(QStringLiteral("after (\\d+) ms"));
    const QRegularExpressionMatch m = limit.match(transferError);
    if (m.hasMatch() && transferError.contains(u"timed out")) {
        const qint64 ms = m.captured(1).toLongLong();
        const QString amount = ms % 1000 == 0 ? QString(QString::number(ms / 1000) + u" s")
                                              : QString(QString::number(ms) + u" ms");
        return u"no answer in " + amount + u" (" + transferError + u')';
    }
    return u"no answer: " + transferError;
}

CheckResult ReadReply(const CheckJob& job, const net::RequestResult& reply, const QString& decodedBody) {
    CheckResult r = Base(job, reply.ok ? reply.status : 0);
    if (job.ask == Ask::Whois) {
        r.source = u"whois page " + job.url.left(200);
        ReadWhois(r, job, reply, decodedBody);
    } else if (job.ask == Ask::Rdap || job.ask == Ask::RegistryWhois) {
        r.source = job.ask == Ask::Rdap
                       ? QString(u"RDAP " + (reply.finalUrl.isEmpty() ? job.url : reply.finalUrl).left(200))
                       : QString(u"whois " + QUrl(job.url).host());
        ReadRegistry(r, job, reply);
    } else if (const std::optional<Metric> m = MetricOf(job.ask)) {
        ReadMetric(r, *m, reply, decodedBody);
    } else if (job.ask == Ask::PageRankChecksum) {
        r.answer = MetricAnswer(reply, decodedBody);
        r.value = ChecksumFromAnswer(r.answer);
        r.end = r.answer == u"wrong" ? JobEnd::Failed : JobEnd::Answered;
        r.reason = reply.ok ? StatusReason(reply.status) : NoAnswerReason(reply.error);
    }
    return r;
}

CheckResult NotSent(const CheckJob& job) {
    CheckResult r = Base(job, 0);
    r.answer = QStringLiteral("wrong");
    if (job.ask == Ask::PageRankChecksum) r.value = r.answer;
    // Without an address of the service the domain itself would be fetched, and its own "not found"
    // page read as an answer; no answer is what it is.
    r.reason = job.url.isEmpty() ? QStringLiteral("no service address configured")
                                 : u"not an http(s) address: " + job.url.left(200);
    return r;
}

}  // namespace ds::checks::engine
