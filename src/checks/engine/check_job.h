#pragma once
// What the check engine is asked and what it answers: plain values, no windows.
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

#include "checks/reg_classifier.h"
#include "checks/registry/registry_answer.h"

namespace ds::checks::engine {

// What a job asks about its domain.
enum class Ask {
    Whois,             // the registration page of the operator's whois service
    BaiduSite,         // the four site metrics (each from its own service or a relay)
    BaiduDomain,
    Alexa,
    PageRank,
    PageRankChecksum,  // the checksum PageRank's direct request carries
    Filing,            // the filing record, looked up in the domain database
    Rdap,              // the registration record at the TLD's RDAP service
    RegistryWhois,     // the registration record at the TLD's port-43 whois server (whois://host:port/name)
};

struct CheckJob {
    quint64 key = 0;  // the caller's; handed back in the result
    QString domain;
    Ask ask = Ask::Whois;
    QString url;  // the address asked (not for Filing); not an http(s) address: answered without a request
    QString registryName = {};  // Rdap, RegistryWhois: the registrable name asked about, ASCII form
};

// How a job ended.
enum class JobEnd {
    Answered,     // an answer the rules could read
    Failed,       // no usable answer (no connection, a limit, an error status, a page the rules refuse)
    Stopped,      // the run was stopped before the job was answered
    RateLimited,  // its host refused the run too often and its remaining jobs were given up
};

struct CheckResult {
    quint64 key = 0;
    QString domain;
    Ask ask = Ask::Whois;
    JobEnd end = JobEnd::Failed;
    // Whois: the registration rules' outcome (Failed for every end but Answered) and whether the page
    // shows a registration record, the only evidence a write-back may rest on.
    RegOutcome regOutcome = RegOutcome::Failed;
    bool registrationRecord = false;
    // Metrics: the cell text of a measured value. Checksum: the checksum. Filing: the record's number,
    // holder kind, date and site name (empty when the domain has no record).
    QString value;
    QStringList values;
    // Metrics and checksum: the answer text as the rules read it ("wrong" when the request failed), so a
    // caller's retry rule sees what the services said.
    QString answer;
    QString reason;  // in words a person can read: "HTTP 200, free phrase \"not found\"", "no answer in 8 s"
    int httpStatus = 0;
    QString host;  // the host asked ("whois.example.com", "127.0.0.1:8731")
    // Who answered, for the status cell's tooltip: "whois page http://…", "RDAP https://rdap…/domain/x",
    // "whois whois.cnnic.cn".
    QString source;
    // Rdap, RegistryWhois: what the registry said, with its facts (also for a failed request: then its
    // verdict is unknown and its reason says why).
    std::optional<registry::RegistryAnswer> registry;
    qint64 elapsedMs = 0;

    bool answered() const { return end == JobEnd::Answered; }
};

}  // namespace ds::checks::engine
