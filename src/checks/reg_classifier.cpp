#include "checks/reg_classifier.h"

#include <QUrl>
#include <array>
#include <cmath>

#include "core/text.h"

namespace ds::checks {
namespace {

// Order matters only for reading: any one phrase of a list is enough.
constexpr std::array<const char16_t*, 12> kFreePhrases = {
    u"not have an entry in our database",
    u"is not registered",
    u"no match",
    u"invalid query or domain name not known",
    u"not_found",
    u"220 available",
    u">available",
    u"- available",
    u"no entries found",
    u"not been registered",
    u"not found",
    u"no found",
};

constexpr std::array<const char16_t*, 3> kUndeterminedPhrases = {
    u"no data found",
    u"not available",
    u"available for second level registration",
};

constexpr std::array<const char16_t*, 3> kFailureMarkers = {
    u"timeout",
    u"connect failed",
    u"unexpected error",
};

// Lines a registry's whois record carries (registrar, creation and expiry), in the English forms of
// the generic registries and the Chinese forms of the .cn registry and the Chinese registrars' pages.
constexpr std::array<const char16_t*, 12> kRecordMarkers = {
    u"registrar:",
    u"sponsoring registrar",
    u"creation date",
    u"created on",
    u"registration time",
    u"registration date",
    u"expiry date",
    u"expiration date",
    u"expiration time",
    u"注册商",
    u"注册时间",
    u"到期时间",
};

template <std::size_t N>
bool ContainsAny(const QString& page, const std::array<const char16_t*, N>& phrases) {
    for (const char16_t* p : phrases)
        if (page.contains(QString::fromUtf16(p))) return true;
    return false;
}

template <std::size_t N>
QString FirstFound(const QString& page, const std::array<const char16_t*, N>& phrases) {
    for (const char16_t* p : phrases)
        if (page.contains(QString::fromUtf16(p))) return QString::fromUtf16(p);
    return {};
}

QString Quoted(const QString& phrase) { return u'"' + phrase + u'"'; }

}  // namespace

QString WhoisAnswerReason(RegOutcome outcome, const QString& page) {
    switch (outcome) {
    case RegOutcome::Free: return u"free phrase " + Quoted(FirstFound(page, kFreePhrases));
    case RegOutcome::Undetermined: return u"undetermined phrase " + Quoted(FirstFound(page, kUndeterminedPhrases));
    case RegOutcome::Failed: {
        const QString marker = FirstFound(page, kFailureMarkers);
        return marker.isEmpty() ? QStringLiteral("not a whois answer page") : u"failure marker " + Quoted(marker);
    }
    case RegOutcome::Registered: {
        const QString marker = FirstFound(page, kRecordMarkers);
        return marker.isEmpty() ? QStringLiteral("no free phrase, but no registration record shown")
                                : u"registration record " + Quoted(marker);
    }
    }
    return {};
}

RegOutcome ClassifyWhoisAnswer(const QString& page) {
    if (ContainsAny(page, kFreePhrases)) return RegOutcome::Free;
    if (ContainsAny(page, kUndeterminedPhrases)) return RegOutcome::Undetermined;
    // A real answer page names what it looked up; anything else (an empty body, an error page of the
    // service or of a proxy) cannot say whether the domain is taken.
    if (!page.contains(u"results for") || !page.contains(u"domain") || ContainsAny(page, kFailureMarkers))
        return RegOutcome::Failed;
    return RegOutcome::Registered;
}

RegOutcome ClassifyWhoisReply(int httpStatus, const QString& page) {
    if (httpStatus < 200 || httpStatus > 299) return RegOutcome::Failed;
    return ClassifyWhoisAnswer(page);
}

namespace {

// A character that would make the text around it part of a longer name.
bool IsNameCharacter(QChar c) { return c.isLetterOrNumber() || c == u'-' || c == u'_'; }

bool NamesAt(const QString& page, const QString& name) {
    if (name.isEmpty()) return false;
    for (qsizetype at = page.indexOf(name); at >= 0; at = page.indexOf(name, at + 1)) {
        const qsizetype end = at + name.size();
        // A dot beside the name joins it to a longer one only when a label stands on its other side: a
        // dot that ends a sentence does not.
        const bool longerBefore = at > 0 && (IsNameCharacter(page[at - 1]) ||
                                             (page[at - 1] == u'.' && at > 1 && IsNameCharacter(page[at - 2])));
        const bool longerAfter = end < page.size() && (IsNameCharacter(page[end]) ||
                                                       (page[end] == u'.' && end + 1 < page.size() &&
                                                        IsNameCharacter(page[end + 1])));
        if (!longerBefore && !longerAfter) return true;
    }
    return false;
}

}  // namespace

bool PageNamesDomain(const QString& page, const QString& domain) {
    const QString name = domain.trimmed().toLower();
    if (NamesAt(page, name)) return true;
    const QString ace = QString::fromLatin1(QUrl::toAce(name)).toLower();
    return !ace.isEmpty() && ace != name && NamesAt(page, ace);
}

RegOutcome ClassifyWhoisReply(int httpStatus, const QString& page, const QString& domain) {
    const RegOutcome outcome = ClassifyWhoisReply(httpStatus, page);
    if (outcome == RegOutcome::Free && !PageNamesDomain(page, domain)) return RegOutcome::Failed;
    return outcome;
}

bool ShowsRegistrationRecord(const QString& page) { return ContainsAny(page, kRecordMarkers); }

QString StatusText(RegOutcome outcome) {
    switch (outcome) {
    case RegOutcome::Free: return QString::fromUtf16(StatusFree);
    case RegOutcome::Undetermined: return QString::fromUtf16(StatusUndetermined);
    case RegOutcome::Failed: return QString::fromUtf16(StatusTimedOut);
    case RegOutcome::Registered: return QString::fromUtf16(StatusRegistered);
    }
    return {};
}

bool IsRowPicked(int pass, const QString& domain, const QString& status, bool emptyToo) {
    if (!domain.contains(u'.')) return false;
    if (pass == 0) return status == QString::fromUtf16(StatusFree) || (emptyToo && status.isEmpty());
    if (pass == 1) return status.trimmed() == QString::fromUtf16(StatusTimedOut);
    return false;
}

std::optional<QString> WriteBackStatement(const QString& table, const QString& idCellText,
                                          const QString& deletedCellText, const QDate& today,
                                          const QString& loadedTable) {
    if (table.isEmpty() || table != loadedTable) return std::nullopt;
    // The id is read like a number typed into a box: "57" and "57 " are 57, "abc" is 0. Ids are whole
    // numbers, so a fraction can only come from an edited cell and names no row.
    const double lid = LeadingNumber(idCellText);
    if (!(lid > 0) || std::floor(lid) != lid) return std::nullopt;
    const QDate deleted = QDate::fromString(deletedCellText.trimmed(), QStringLiteral("yyyy-MM-dd"));
    if (!deleted.isValid() || !today.isValid() || today.daysTo(deleted) >= 0) return std::nullopt;
    return u"update " + table + u" set lregist=0 where lid=" + ShortestNumber(lid);
}

}  // namespace ds::checks
