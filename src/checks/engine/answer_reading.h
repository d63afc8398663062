#pragma once
// How the engine asks each kind of question and reads what came back: the request settings of the
// fetch the check has always used, and the check's own rules applied to the answer.
#include <QDateTime>

#include "checks/engine/check_job.h"
#include "net/http_request.h"

namespace ds::checks::engine {

// The request for a job: GetBody's settings for the whois page, GetBodydl's for the metric services and
// the registries (RDAP asks for JSON and follows at most 3 redirects; answers are cut at 4 MB).
net::RequestOptions RequestOptionsFor(Ask ask);
// The character set answers of that kind are read in.
QString CharsetFor(Ask ask);

// The host a job's address goes to, with its port when it has one: the unit of politeness.
QString HostOf(const QString& url);

// The address the transfer goes to: a registry whois job's whois://host:port/name is asked as a plain
// TCP exchange (the name, CR LF, read to close), which is what curl's gopher transfer does.
QString TransferAddress(const CheckJob& job);
// True when the job's address is one the engine may ask: http(s), or whois:// for a registry whois job.
bool IsAskable(const CheckJob& job);

// True when the answer is the host pushing back (429, 503, a verification or throttling page, a whois
// server's query-limit line, as `read` from it): the job is asked again after a pause rather than
// answered.
bool IsPushBack(const net::RequestResult& reply, const QString& decodedBody, const CheckResult& read);

// The result of a job from its reply (the request was made; `reply.ok` false when it failed).
CheckResult ReadReply(const CheckJob& job, const net::RequestResult& reply, const QString& decodedBody);

// The result of a job that was never sent because its address is not http(s).
CheckResult NotSent(const CheckJob& job);

// "no answer in 8 s (timed out during receiving the answer after 8000 ms)" and the like.
QString NoAnswerReason(const QString& transferError);

}  // namespace ds::checks::engine
