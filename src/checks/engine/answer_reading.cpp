#include "checks/engine/answer_reading.h"

#include <QRegularExpression>
#include <QUrl>

#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "core/text.h"
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
    r.end = r.regOutcome == RegOutcome::Failed ? JobEnd::Failed : JobEnd::Answered;
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
    } else if (AnswerFailed(m, r.answer)) {
        r.reason = StatusReason(reply.status) + u", the answer carries no value";
    } else {
        r.end = JobEnd::Answered;
        r.value = MetricValue(m, r.answer);
        r.reason = StatusReason(reply.status);
    }
}

}  // namespace

net::RequestOptions RequestOptionsFor(Ask ask) { return ask == Ask::Whois ? net::PlainOptions(false) : net::DlOptions(); }

QString CharsetFor(Ask ask) { return ask == Ask::Whois ? QStringLiteral("GB2312") : QStringLiteral("gb2312"); }

QString HostOf(const QString& url) {
    const QUrl u(url);
    const QString host = u.host().toLower();
    return u.port() > 0 ? host + u':' + QString::number(u.port()) : host;
}

bool IsPushBack(const net::RequestResult& reply, const QString& decodedBody) {
    if (!reply.ok) return false;
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
        ReadWhois(r, job, reply, decodedBody);
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
