#pragma once
// The decisions of the registration status check, apart from its loop: how a whois answer page is
// read, which grid rows a pass visits, and when a registered domain is written back to its table.
#include <QDate>
#include <QString>
#include <optional>

namespace ds::checks {

enum class RegOutcome {
    Free,          // A: "未注册"
    Undetermined,  // B: "不详"
    Failed,        // C: "超时"
    Registered,    // D: "已注册"
};

// Status texts of grid column 4 that the check reads or writes.
inline constexpr char16_t StatusFree[] = u"未注册";
inline constexpr char16_t StatusQuerying[] = u"查询中";
inline constexpr char16_t StatusUndetermined[] = u"不详";
inline constexpr char16_t StatusTimedOut[] = u"超时";
inline constexpr char16_t StatusRegistered[] = u"已注册";

// Sorts an answer page (already lower-cased by the caller) into an outcome; the first list that
// matches wins, in the order A, B, C, D.
RegOutcome ClassifyWhoisAnswer(const QString& lowerCasedPage);

// The same for a fetched reply. Only a 2xx answer is read at all: an error page of the service or of
// a proxy in front of it ("404 not found") would otherwise read as free, and no answer (status 0)
// says nothing. Both are outcome C, so the retry pass asks again.
RegOutcome ClassifyWhoisReply(int httpStatus, const QString& lowerCasedPage);

// The same, knowing the domain asked about: the free phrases count only on a page that names it. A web
// server's or a proxy's own page sent with status 200 ("404 Not Found", "no found") names no domain and
// would otherwise read as free; it is outcome C instead, so the retry pass asks again. The page names
// the domain when it holds it, in any case or in its punycode form, not as part of a longer name
// ("abc.com" is not named by "xabc.com" nor by "abc.com.cn"). Every other outcome is as above.
RegOutcome ClassifyWhoisReply(int httpStatus, const QString& lowerCasedPage, const QString& domain);

// True when `lowerCasedPage` names `domain` as described above.
bool PageNamesDomain(const QString& lowerCasedPage, const QString& domain);

// True when the page (lower-cased) shows a registration record: a registrar line or a registration or
// expiry date. Outcome D is also what any unrecognised page falls through to ("query limit exceeded"),
// and a row must not leave the operator's searches on the strength of such a page.
bool ShowsRegistrationRecord(const QString& lowerCasedPage);

// Why a 2xx page (lower-cased) got `outcome`, in words: the phrase or marker that decided it.
QString WhoisAnswerReason(RegOutcome outcome, const QString& lowerCasedPage);

QString StatusText(RegOutcome outcome);

// Pass 0 visits rows still shown as free (the exact text, so "未注册 " is left alone), and with
// `emptyToo` rows without any status (an imported list's); pass 1 retries the rows the first pass left
// as timed out. A domain without "." is never visited.
bool IsRowPicked(int pass, const QString& domain, const QString& status, bool emptyToo = false);

// The statement that marks a registered domain as taken again in `table`, or nothing. Only a row whose
// deletion date ("YYYY-MM-DD") lies before `today` and whose id reads as a number above 0 is written
// back, and only when the grid's rows were loaded from that same table: ids mean nothing elsewhere.
std::optional<QString> WriteBackStatement(const QString& table, const QString& idCellText,
                                          const QString& deletedCellText, const QDate& today,
                                          const QString& loadedTable);

}  // namespace ds::checks
