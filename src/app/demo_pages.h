#pragma once
// The answers of the demo services: stand-ins for the whois page, Baidu search, the Alexa data
// service, the toolbar PageRank query, its checksum script, the relay scripts and the database-address
// service, so that the live checks can be tried on loopback. Every answer depends only on the domain
// (a hash of its name), so a row shows the same values in every run and on every machine.
#include <QString>
#include <QStringView>
#include <cstdint>

namespace ds::demo {

// A stable number for a name and a purpose: the lower-cased, trimmed name hashed with `salt`, so the
// different answers about one domain do not move in step.
std::uint64_t NameHash(const QString& domain, QStringView salt);

// Whois: mostly registered names, a good share of free ones and a few the registry will not say about.
enum class WhoisKind { Registered, Free, NotAvailable };
WhoisKind WhoisKindFor(const QString& domain);
QString WhoisPage(const QString& domain);

// Baidu counts; 0 means "nothing found", whose page says so instead of giving a count.
qint64 BaiduSiteCount(const QString& domain);
qint64 BaiduDomainCount(const QString& domain);
QString BaiduSitePage(const QString& domain);
QString BaiduDomainPage(const QString& domain);
// What the search service shows a client it throttles.
QString BaiduRefusalPage();
// Some domains are refused by the direct service (never by the relays), so a check has to move on
// to the next relay. `query` is "site" or "domain".
bool DirectBaiduRefuses(const QString& domain, QStringView query);

// Alexa reach rank; 0 means the service does not rank the site (its answer has no REACH element).
qint64 AlexaRankFor(const QString& domain);
QString AlexaAnswer(const QString& domain);

// PageRank 0..7, the checksum the checksum script gives for the domain, and the toolbar's answer,
// which refuses (a 403 page) a query whose checksum does not belong to the domain.
int PageRankFor(const QString& domain);
QString ChecksumFor(const QString& domain);
QString ToolbarAnswer(const QString& domain, const QString& checksum);
QString PageRankAnswer(const QString& domain);

// The relay scripts answer like the service behind them; an unknown script gets "wrong", as a relay
// that failed does. `script` is the last path segment ("baidusite.php", "ale.php", ...).
QString RelayAnswer(const QString& script, const QString& domain);

// The address service's answer: both network variants name the SQLite file `databasePath`.
QString AddressAnswer(const QString& databasePath);

// How long a service "thinks" before it answers (20..60 ms), so progress is visible in the grid.
int AnswerDelayMs(const QString& domain, QStringView service);

}  // namespace ds::demo
