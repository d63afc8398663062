// The decisions of the registration check: reading a whois answer, picking rows, writing back.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "checks/reg_classifier.h"
#include "support/test_support.h"

using namespace ds::checks;

namespace {

// The check lower-cases every page before it is classified; the cases go through the same step.
RegOutcome Classify(const QString& page) { return ClassifyWhoisAnswer(page.toLower()); }

const char* Name(RegOutcome o) {
    switch (o) {
    case RegOutcome::Free: return "A free";
    case RegOutcome::Undetermined: return "B undetermined";
    case RegOutcome::Failed: return "C failed";
    case RegOutcome::Registered: return "D registered";
    }
    return "?";
}

TEST(RegClassifier, PagesSortIntoTheFourOutcomes) {
    struct Case {
        const char* why;
        QString page;
        RegOutcome expected;
    };
    const QString ok = QStringLiteral("Whois results for domain abc.com: ");
    const Case cases[] = {
        {"free beats undetermined", ok + u"is not registered; not available", RegOutcome::Free},
        {"upper case still matches", QStringLiteral("NO MATCH for \"ABC.COM\""), RegOutcome::Free},
        {"free without the answer frame", QStringLiteral("No entries found"), RegOutcome::Free},
        {"free beats a failure marker", QStringLiteral("timeout ... not found"), RegOutcome::Free},
        {"first free phrase", QStringLiteral("does not have an entry in our database"), RegOutcome::Free},
        {"invalid query", QStringLiteral("Invalid query or domain name not known"), RegOutcome::Free},
        {"not_found", QStringLiteral("status: NOT_FOUND"), RegOutcome::Free},
        {"220 available", QStringLiteral("220 Available"), RegOutcome::Free},
        {">available", QStringLiteral("<td>Available</td>"), RegOutcome::Free},
        {"- available", QStringLiteral("abc.com - Available"), RegOutcome::Free},
        {"not been registered", QStringLiteral("has not been registered"), RegOutcome::Free},
        {"no found", QStringLiteral("No Found"), RegOutcome::Free},
        {"no data found", ok + u"No Data Found", RegOutcome::Undetermined},
        {"not available", ok + u"Not available", RegOutcome::Undetermined},
        {"second level", QStringLiteral("Available for second level registration"), RegOutcome::Undetermined},
        {"undetermined beats failure", QStringLiteral("timeout, no data found"), RegOutcome::Undetermined},
        {"empty answer", QString(), RegOutcome::Failed},
        {"no 'results for'", QStringLiteral("domain abc.com registrar xyz"), RegOutcome::Failed},
        {"no 'domain'", QStringLiteral("results for abc.com"), RegOutcome::Failed},
        {"timeout", ok + u"Timeout while asking the registry", RegOutcome::Failed},
        {"connect failed", ok + u"Connect Failed", RegOutcome::Failed},
        {"unexpected error", ok + u"Unexpected Error", RegOutcome::Failed},
        {"only the frame", QStringLiteral("Results For Domain"), RegOutcome::Registered},
        {"registered page", ok + u"Registrar: ABC Ltd. 注册商", RegOutcome::Registered},
        // "available" alone is not a phrase: only ">available", "- available", "220 available".
        {"bare available", ok + u"available", RegOutcome::Registered},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Name(Classify(c.page)), Name(c.expected)) << c.why;
}

TEST(RegClassifier, OnlyA2xxReplyIsReadAtAll) {
    struct Case {
        int status;
        QString page;
        RegOutcome expected;
    };
    const QString nginx404 = QStringLiteral("<html><head><title>404 Not Found</title></head><body><center>"
                                            "<h1>404 Not Found</h1></center><hr><center>nginx</center></body></html>");
    const QString registered = QStringLiteral("Whois results for domain abc.com: Registrar: ABC");
    const Case cases[] = {
        {404, nginx404, RegOutcome::Failed},          // "not found" in an error page is not "free"
        {500, u"Whois results for domain x: no match"_qs, RegOutcome::Failed},
        {302, u"moved"_qs, RegOutcome::Failed},
        {0, QString(), RegOutcome::Failed},           // no answer at all
        {199, registered, RegOutcome::Failed},
        {200, nginx404, RegOutcome::Free},            // a 2xx page is read by its phrases as before
        {204, QString(), RegOutcome::Failed},
        {299, registered, RegOutcome::Registered},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Name(ClassifyWhoisReply(c.status, c.page.toLower())), Name(c.expected)) << c.status;
}

// Knowing the domain, a free phrase counts only on a page that names it: a web server's own page sent
// with status 200 is outcome C, so the retry pass asks again.
TEST(RegClassifier, FreePhrasesCountOnlyOnAPageThatNamesTheDomain) {
    struct Case {
        const char* why;
        int status;
        QString page;
        QString domain;
        RegOutcome expected;
    };
    const QString nginx404 = QStringLiteral("<html><head><title>404 Not Found</title></head><body><center>"
                                            "<h1>404 Not Found</h1></center><hr><center>nginx</center></body></html>");
    const Case cases[] = {
        {"a web server's 404 page with status 200", 200, nginx404, u"abc.com"_qs, RegOutcome::Failed},
        {"the same on an error status", 404, nginx404, u"abc.com"_qs, RegOutcome::Failed},
        {"a whois answer naming the domain", 200, u"Whois results for domain ABC.COM: No match"_qs, u"abc.com"_qs,
         RegOutcome::Free},
        {"the domain at the end of a sentence", 200, u"not found: abc.com."_qs, u"abc.com"_qs, RegOutcome::Free},
        {"the domain given in capitals", 200, u"no match for abc.com"_qs, u"ABC.com"_qs, RegOutcome::Free},
        {"only a longer name before it", 200, u"no match for xabc.com"_qs, u"abc.com"_qs, RegOutcome::Failed},
        {"only a name under it", 200, u"no match for www.abc.com"_qs, u"abc.com"_qs, RegOutcome::Failed},
        {"only a longer name after it", 200, u"no match for abc.com.cn"_qs, u"abc.com"_qs, RegOutcome::Failed},
        {"a longer one, then the name itself", 200, u"abc.com.cn; no match for abc.com"_qs, u"abc.com"_qs,
         RegOutcome::Free},
        {"an international name in punycode", 200, u"no match for xn--fiq228c.com"_qs, u"中文.com"_qs, RegOutcome::Free},
        {"no domain asked about", 200, u"no match"_qs, QString(), RegOutcome::Failed},
        // Only the free phrases need the name: the other outcomes read as before.
        {"undetermined without the name", 200, u"no data found"_qs, u"abc.com"_qs, RegOutcome::Undetermined},
        {"registered without the name", 200, u"whois results for domain: registrar: x"_qs, u"abc.com"_qs,
         RegOutcome::Registered},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Name(ClassifyWhoisReply(c.status, c.page.toLower(), c.domain)), Name(c.expected)) << c.why;
        // Without the domain the page is read by its phrases alone, as callers that do not pass it expect.
        EXPECT_EQ(Name(ClassifyWhoisReply(c.status, c.page.toLower())),
                  Name(c.status == 200 ? Classify(c.page) : RegOutcome::Failed)) << c.why;
    }
}

TEST(RegClassifier, WriteBackNeedsARegistrationRecordOnThePage) {
    struct Case {
        const char* page;
        bool record;
    };
    const Case cases[] = {
        {"Whois results for domain abc.com: query limit exceeded, try again later", false},
        {"Whois results for domain abc.com: service busy", false},
        {"results for domain abc.com: please contact your registrar", false},  // no "registrar:" line
        {"Registrar: ABC Holdings", true},
        {"Sponsoring Registrar: XYZ", true},
        {"Creation Date: 2010-01-02T00:00:00Z", true},
        {"Created On: 02-jan-2010", true},
        {"Registry Expiry Date: 2027-01-02", true},
        {"Registrar Registration Expiration Date: 2027-01-02", true},
        {"Registration Time: 2003-03-17 12:20:05", true},
        {"Expiration Time: 2027-03-17 12:48:36", true},
        {"注册商：万网", true},
        {"注册时间：2010-01-02", true},
        {"到期时间：2027-01-02", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShowsRegistrationRecord(QString::fromUtf8(c.page).toLower()), c.record) << c.page;
}

TEST(RegClassifier, OddInputNeitherCrashesNorMatchesByAccident) {
    // Bytes decoded with the wrong code page, control characters, and a page of several megabytes.
    QByteArray binary(4096, '\0');
    QRandomGenerator rng(7);
    for (char& b : binary) b = static_cast<char>(rng.bounded(256));
    const QString garbled = QString::fromLatin1(binary);
    EXPECT_EQ(Name(Classify(garbled)), Name(RegOutcome::Failed));
    EXPECT_EQ(Name(Classify(QString::fromUtf8("\xe7\xbb\x93\xe6\x9e\x9c \xff\xfe"))), Name(RegOutcome::Failed));

    QString huge(8 * 1024 * 1024, u'x');
    huge += u"results for domain";
    EXPECT_EQ(Name(Classify(huge)), Name(RegOutcome::Registered));
    huge += u" no match";
    EXPECT_EQ(Name(Classify(huge)), Name(RegOutcome::Free));
}

TEST(RegRowPick, PassesPickByStatusAndNeedADot) {
    struct Case {
        int pass;
        QString domain, status;
        bool picked;
    };
    const Case cases[] = {
        {0, u"abc.com"_qs, u"未注册"_qs, true},
        {0, u"abc.com"_qs, u"未注册 "_qs, false},  // pass 0 wants the exact text
        {0, u"abc.com"_qs, u"超时"_qs, false},
        {0, u"abc.com"_qs, u"将过期"_qs, false},
        {0, u"abccom"_qs, u"未注册"_qs, false},  // no "." is never fetched
        {0, QString(), u"未注册"_qs, false},
        {1, u"abc.com"_qs, u" 超时 "_qs, true},  // the retry pass trims
        {1, u"abc.com"_qs, u"超时"_qs, true},
        {1, u"abc.com"_qs, u"未注册"_qs, false},
        {1, u"abc"_qs, u"超时"_qs, false},
        {2, u"abc.com"_qs, u"超时"_qs, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRowPicked(c.pass, c.domain, c.status), c.picked)
            << c.pass << " " << c.domain.toStdString() << " [" << c.status.toStdString() << "]";
}

TEST(RegWriteBack, OnlyPastDeletionDatesOfRowsFromTheSameTable) {
    const QDate today(2024, 5, 1);
    const QString reg = u"ldomainreg"_qs;
    struct Case {
        const char* why;
        QString table, id, deleted, loadedTable;
        QString expected;  // empty: nothing is sent
    };
    const Case cases[] = {
        {"yesterday", reg, u"57"_qs, u"2024-04-30"_qs, reg, u"update ldomainreg set lregist=0 where lid=57"_qs},
        {"long ago, history table", u"ldomainhis"_qs, u"9"_qs, u"2001-01-01"_qs, u"ldomainhis"_qs,
         u"update ldomainhis set lregist=0 where lid=9"_qs},
        {"id with trailing text", reg, u"57 "_qs, u"2024-04-30"_qs, reg, u"update ldomainreg set lregist=0 where lid=57"_qs},
        {"today", reg, u"57"_qs, u"2024-05-01"_qs, reg, {}},
        {"tomorrow", reg, u"57"_qs, u"2024-05-02"_qs, reg, {}},
        {"empty id", reg, QString(), u"2024-04-30"_qs, reg, {}},
        {"id abc", reg, u"abc"_qs, u"2024-04-30"_qs, reg, {}},
        {"id 0", reg, u"0"_qs, u"2024-04-30"_qs, reg, {}},
        {"negative id", reg, u"-5"_qs, u"2024-04-30"_qs, reg, {}},
        {"fractional id", reg, u"57.5"_qs, u"2024-04-30"_qs, reg, {}},
        {"no date", reg, u"57"_qs, QString(), reg, {}},
        {"not a date", reg, u"57"_qs, u"2024-13-45"_qs, reg, {}},
        {"rows of the other table", reg, u"57"_qs, u"2024-04-30"_qs, u"ldomainhis"_qs, {}},
        {"imported rows", reg, u"57"_qs, u"2024-04-30"_qs, QString(), {}},
        {"no table at all", QString(), u"57"_qs, u"2024-04-30"_qs, QString(), {}},
    };
    for (const Case& c : cases) {
        const std::optional<QString> got = WriteBackStatement(c.table, c.id, c.deleted, today, c.loadedTable);
        EXPECT_EQ(got.value_or(QString()), c.expected) << c.why;
    }
}

}  // namespace
