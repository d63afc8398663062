// What the registries' answers say: RDAP answers and port-43 texts read into verdicts, and the tables
// that say where each TLD's registry answers.
#include <gtest/gtest.h>

#include "checks/registry/registry_answer.h"
#include "checks/registry/registry_directory.h"
#include "support/test_support.h"

using namespace ds::checks::registry;

namespace {

const QByteArray kRdapType = "application/rdap+json";

// A domain object for example.com with the given status array items and further members.
QByteArray Domain(const QByteArray& statuses, const QByteArray& more = {}, const QByteArray& name = "example.com") {
    return QByteArray(R"({"objectClassName":"domain","ldhName":")") + name + R"(","status":[)" + statuses +
           "]" + more + "}";
}

const char* kRegistrar = R"(,"entities":[{"objectClassName":"entity","roles":["technical"],
  "vcardArray":["vcard",[["fn",{},"text","Not The Registrar"]]]},
  {"objectClassName":"entity","roles":["Registrar"],"publicIds":[{"type":"IANA Registrar ID","identifier":"292"}],
  "vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar, Inc."]]]}])";
const char* kEvents = R"(,"events":[{"eventAction":"registration","eventDate":"1995-08-14T04:00:00Z"},
  {"eventAction":"expiration","eventDate":"2026-08-13T04:00:00Z"},
  {"eventAction":"deletion","eventDate":"2026-03-09T18:00:00Z"}])";

struct Expected {
    Verdict verdict;
    bool record;
    bool pushBack;
    const char* reasonPart;
};

void ExpectAnswer(const RegistryAnswer& a, const Expected& e, const char* why) {
    EXPECT_EQ(VerdictName(a.verdict), VerdictName(e.verdict)) << why << ": " << a.reason.toStdString();
    EXPECT_EQ(a.record, e.record) << why;
    EXPECT_EQ(a.pushBack, e.pushBack) << why;
    EXPECT_TRUE(a.reason.contains(QString::fromUtf8(e.reasonPart))) << why << ": " << a.reason.toStdString();
    EXPECT_LE(a.reason.size(), 400) << why;
}

TEST(RegistryReading, RdapAnswersReadAsVerdicts) {
    struct Case {
        const char* why;
        int status;
        QByteArray type, body;
        Expected expected;
    };
    const QByteArray notFound = R"({"errorCode":404,"title":"Not Found","description":["Domain not found"]})";
    const Case cases[] = {
        {"404 RDAP error", 404, kRdapType, notFound,
         {Verdict::Available, false, false, "no such domain (the server says \"Domain not found\")"}},
        {"404 JSON without a type", 404, "", " " + notFound, {Verdict::Available, false, false, "RDAP 404"}},
        {"404 empty RDAP body", 404, "application/json; charset=utf-8", "", {Verdict::Available, false, false, "404"}},
        {"404 proxy page", 404, "text/html", "<html>Not Found</html>",
         {Verdict::Unknown, false, false, "not an RDAP answer (text/html)"}},
        {"404 page mislabelled as JSON", 404, kRdapType, "<html>404</html>", {Verdict::Unknown, false, false, "404"}},
        {"active", 200, kRdapType, Domain(R"("active")"), {Verdict::Registered, true, false, "registration record"}},
        {"inactive is still registered", 200, kRdapType, Domain(R"("inactive")"),
         {Verdict::Registered, true, false, "inactive"}},
        {"no status at all", 200, kRdapType, Domain(""), {Verdict::Registered, true, false, "record"}},
        {"redemption period", 200, kRdapType, Domain(R"("redemption period","pending delete")"),
         {Verdict::Redemption, true, false, "redemption period"}},
        {"EPP spelling", 200, kRdapType, Domain(R"("clientHold","redemptionPeriod")"),
         {Verdict::Redemption, true, false, "redemptionPeriod"}},
        {"pending restore is still redemption", 200, kRdapType, Domain(R"("pending restore","pending delete")"),
         {Verdict::Redemption, true, false, "pending restore"}},
        {"pending delete alone", 200, kRdapType, Domain(R"("Pending_Delete")", kEvents),
         {Verdict::PendingDelete, true, false, "deletion 2026-03-09T18:00:00Z"}},
        {"reserved", 200, kRdapType, Domain(R"("server hold","reserved")"), {Verdict::Reserved, false, false, "reserved"}},
        {"ldhName in capitals", 200, kRdapType, Domain(R"("active")", "", "EXAMPLE.COM."), {Verdict::Registered, true, false, ""}},
        {"another name", 200, kRdapType, Domain(R"("active")", "", "example.net"),
         {Verdict::Unknown, false, false, "about another name: example.net"}},
        {"no objectClassName", 200, kRdapType, R"({"ldhName":"example.com"})",
         {Verdict::Unknown, false, false, "without objectClassName"}},
        {"an entity", 200, kRdapType, R"({"objectClassName":"entity"})",
         {Verdict::Unknown, false, false, "objectClassName \"entity\", not a domain"}},
        {"broken JSON", 200, kRdapType, R"({"objectClassName":"domain",)", {Verdict::Unknown, false, false, "at offset"}},
        {"a JSON array", 200, kRdapType, "[1,2]", {Verdict::Unknown, false, false, "not an object"}},
        {"429", 429, kRdapType, R"({"errorCode":429})", {Verdict::Unknown, false, true, "asks to slow down"}},
        {"503", 503, "text/html", "<h1>busy</h1>", {Verdict::Unknown, false, true, "503"}},
        {"no answer", 0, "", "", {Verdict::Unknown, false, false, "no answer"}},
        {"redirect", 302, "", "", {Verdict::Unknown, false, false, "302"}},
        {"refusal with its words", 403, kRdapType, R"({"errorCode":403,"description":["Access denied\u0007"]})",
         {Verdict::Unknown, false, false, "\"Access denied\""}},
        {"domain object under 500", 500, kRdapType, Domain(R"("active")"), {Verdict::Unknown, false, false, "500"}},
    };
    for (const Case& c : cases)
        ExpectAnswer(ReadRdapAnswer(c.status, c.type, c.body, QStringLiteral("example.com")), c.expected, c.why);
}

TEST(RegistryReading, RdapFactsOfADomainObject) {
    const RegistryAnswer a = ReadRdapAnswer(200, kRdapType, Domain(R"("pending delete",7)", QByteArray(kRegistrar) + kEvents),
                                            QStringLiteral("example.com"));
    EXPECT_EQ(a.statuses, QStringList{QStringLiteral("pending delete")});
    EXPECT_EQ(a.registrar, QStringLiteral("Example Registrar, Inc."));
    EXPECT_EQ(a.created, QStringLiteral("1995-08-14T04:00:00Z"));
    EXPECT_EQ(a.expires, QStringLiteral("2026-08-13T04:00:00Z"));
    EXPECT_EQ(a.deleted, QStringLiteral("2026-03-09T18:00:00Z"));

    // A redacted card leaves the registrar's public id.
    const RegistryAnswer redacted = ReadRdapAnswer(
        200, kRdapType,
        Domain(R"("active")", R"(,"entities":[{"roles":["registrar"],"handle":"R-1",
          "publicIds":[{"type":"IANA Registrar ID","identifier":"292"}],"vcardArray":["vcard",[["fn",{},"text",""]]]}])"),
        QStringLiteral("example.com"));
    EXPECT_EQ(redacted.registrar, QStringLiteral("IANA Registrar ID 292"));
    EXPECT_TRUE(redacted.reason.contains(u"IANA Registrar ID 292")) << redacted.reason.toStdString();

    // An internationalised name is asked for as its A-label and answered under it.
    const RegistryAnswer idn = ReadRdapAnswer(200, kRdapType, Domain(R"("active")", "", "xn--fiqs8s.xn--fiqs8s"),
                                              QStringLiteral("中国.中国"));
    EXPECT_EQ(idn.verdict, Verdict::Registered) << idn.reason.toStdString();
}

TEST(RegistryReading, WhoisTextsReadAsVerdicts) {
    struct Case {
        const char* why;
        const char* server;
        QString text;
        Expected expected;
    };
    const QString cnnic = QStringLiteral(
        "Domain Name: abc.cn\nROID: 20030312s10001s00012345-cn\nDomain Status: ok\nRegistrant: 某某公司\n"
        "Registrant Contact Email: x@y.cn\nSponsoring Registrar: 阿里云计算有限公司（万网）\n"
        "Name Server: dns1.hichina.com\nRegistration Time: 2003-03-17 12:20:05\n"
        "Expiration Time: 2027-03-17 12:48:36\nDNSSEC: unsigned\n");
    const QString verisign = QStringLiteral(
        "   Domain Name: ABC.CN\r\n   Registrar WHOIS Server: whois.example.net\r\n"
        "   Domain Status: clientTransferProhibited https://icann.org/epp#clientTransferProhibited\r\n");
    const Case cases[] = {
        {"CNNIC record", "whois.cnnic.cn", cnnic, {Verdict::Registered, true, false, "record with registrar 阿里云"}},
        {"CNNIC no match", "whois.cnnic.cn", QStringLiteral("No matching record."),
         {Verdict::Available, false, false, "whois whois.cnnic.cn: no-match line \"no matching record\""}},
        {"CNNIC reserved", "whois.cnnic.cn", QStringLiteral("the domain you want to register is reserved."),
         {Verdict::Reserved, false, false, "reserved line"}},
        {"reserved wording elsewhere", "whois.nic.example", QStringLiteral("Reserved Domain Name\n"),
         {Verdict::Reserved, false, false, "reserved domain name"}},
        {"CNNIC throttle", "whois.cnnic.cn", QStringLiteral("Queried interval is too short."),
         {Verdict::Unknown, false, true, "slow down"}},
        {"CNNIC throttle in Chinese", "whois.cnnic.cn", QStringLiteral("您的查询过于频繁，请稍后再试"),
         {Verdict::Unknown, false, true, "查询过于频繁"}},
        {"pending delete alone", "whois.verisign-grs.com",
         verisign + u"   Domain Status: pendingDelete https://icann.org/epp#pendingDelete\r\n",
         {Verdict::PendingDelete, true, false, "\"pendingDelete\""}},
        {"pending delete in redemption", "whois.verisign-grs.com",
         verisign + u"Domain Status: pendingDelete\nDomain Status: redemptionPeriod\n",
         {Verdict::Redemption, true, false, "redemptionPeriod"}},
        {"registrar WHOIS server is no registrar", "whois.verisign-grs.com", verisign,
         {Verdict::Unknown, false, false, "neither list knows (Domain Name: ABC.CN)"}},
        {"Verisign no match", "whois.verisign-grs.com",
         QStringLiteral("No match for \"ABC.CN\".\n>>> Last update of whois database: 2026-03-01T00:00:00Z <<<\n"
                        "NOTICE: The expiration date displayed in this record is the date the\n"),
         {Verdict::Available, false, false, "no match for"}},
        {"DENIC free", "whois.denic.de", QStringLiteral("Domain: abc.cn\nStatus: free\n"),
         {Verdict::Available, false, false, "status: free"}},
        {"DENIC connect", "whois.denic.de", QStringLiteral("Domain: abc.cn\nStatus: connect\n"),
         {Verdict::Registered, true, false, "status: connect"}},
        {"'status: free' means nothing elsewhere", "whois.nic.example", QStringLiteral("Status: free\n"),
         {Verdict::Unknown, false, false, "neither list knows"}},
        {"EURid available", "whois.eu", QStringLiteral("Domain: abc.cn\n\nStatus: AVAILABLE\n"),
         {Verdict::Available, false, false, "status: available"}},
        {"Nominet block", "whois.nic.uk",
         QStringLiteral("    Domain name:\n        abc.cn\n\n    Registrar:\n        Example Ltd [Tag = EX]\n"
                        "        URL: https://example.net\n\n    Relevant dates:\n        Registered on: 01-Jan-2000\n"),
         {Verdict::Registered, true, false, "record with registrar Example Ltd [Tag = EX]"}},
        {".tk", "whois.dot.tk", QStringLiteral("\n   Invalid query or domain name not known in the Dot TK Registry\n"),
         {Verdict::Available, false, false, "domain name not known"}},
        {"record outweighs no-match", "whois.example.net",
         QStringLiteral("Creation Date: 2001-01-01\nContact not found\n"),
         {Verdict::Registered, true, false, "outweighed by the record"}},
        {"answer about another name", "whois.cnnic.cn", QString(cnnic).replace(QStringLiteral("abc.cn"), QStringLiteral("abd.cn")),
         {Verdict::Unknown, false, false, "another name: abd.cn"}},
        {"decoded GB text of a registrar", "grs-whois.hichina.com",
         QStringLiteral("域名：abc.cn\n注册商：厦门易名科技股份有限公司\n注册时间：2010-01-01 08:00:00\n"),
         {Verdict::Registered, true, false, "厦门易名科技股份有限公司"}},
        {"empty", "whois.cnnic.cn", QStringLiteral(" \r\n\n"), {Verdict::Unknown, false, false, "empty answer"}},
        {"garbage", "whois.cnnic.cn", QString::fromLatin1("\x01\x7f\xff:\x02 \n\xfe", 8),
         {Verdict::Unknown, false, false, "neither list knows"}},
    };
    for (const Case& c : cases)
        ExpectAnswer(ReadWhoisText(c.text, QString::fromUtf8(c.server), QStringLiteral("abc.cn")), c.expected, c.why);
}

TEST(RegistryReading, WhoisFactsAndStatuses) {
    const RegistryAnswer a = ReadWhoisText(
        QStringLiteral("Domain Name: 例子.中国\nDomain Status: clientDeleteProhibited\nstate: REGISTERED, DELEGATED\n"
                       "Registrar:\n        Name: EuroDNS S.A.\n注册时间：2003-03-17 12:20:05\n"
                       "Expiration Time: 2027-03-17 12:48:36\nfree-date: 2027-04-17\n"),
        QStringLiteral("whois.cnnic.cn"), QStringLiteral("xn--fsqu00a.xn--fiqs8s"));
    EXPECT_EQ(a.verdict, Verdict::Registered) << a.reason.toStdString();
    EXPECT_EQ(a.statuses, (QStringList{QStringLiteral("clientDeleteProhibited"), QStringLiteral("REGISTERED"),
                                       QStringLiteral("DELEGATED")}));
    EXPECT_EQ(a.registrar, QStringLiteral("EuroDNS S.A."));
    EXPECT_EQ(a.created, QStringLiteral("2003-03-17 12:20:05"));
    EXPECT_EQ(a.expires, QStringLiteral("2027-03-17 12:48:36"));
    EXPECT_EQ(a.deleted, QStringLiteral("2027-04-17"));
}

TEST(RegistryReading, HugeAndHostileInputStaysShort) {
    const QByteArray deep = QByteArray(200000, '[');
    EXPECT_EQ(ReadRdapAnswer(200, kRdapType, deep, QStringLiteral("a.com")).verdict, Verdict::Unknown);
    const QByteArray longStatus = Domain('"' + QByteArray(1 << 20, 'x') + '"');
    const RegistryAnswer a = ReadRdapAnswer(200, kRdapType, longStatus, QStringLiteral("example.com"));
    ASSERT_EQ(a.statuses.size(), 1);
    EXPECT_LE(a.statuses[0].size(), 201);
    EXPECT_LE(a.reason.size(), 300);

    const QString line = QString(1 << 20, u'x');
    const RegistryAnswer w = ReadWhoisText(line + u"\nNo match for\n" + line, QStringLiteral("w"), QString());
    EXPECT_EQ(w.verdict, Verdict::Available);
    EXPECT_LE(w.reason.size(), 300);
}

TEST(RegistryDirectory, BootstrapFileGivesEachTldItsBases) {
    const QByteArray json = R"({"description":"RDAP bootstrap file for Domain Name System registrations",
      "publication":"2024-05-01T12:00:01Z","version":"1.0","services":[
        [["com","NET"],["http://rdap.verisign.com/com/v1","https://rdap.verisign.com/com/v1/"]],
        [["中国",".Cn","bad name",7,""],["https://rdap.cnnic.cn/"]],
        [["org"],["ftp://rdap.example/","not a url",null,"https:///no-host"]],
        "junk",[["io"]],[["xyz"],"https://rdap.example/"],
        [["net"],["https://rdap.example.net/v1/"]]]})";
    QString error;
    const std::optional<RdapBootstrap> b = ParseRdapBootstrap(json, &error);
    ASSERT_TRUE(b) << error.toStdString();
    EXPECT_EQ(b->publication, QStringLiteral("2024-05-01T12:00:01Z"));
    const QStringList verisign{QStringLiteral("https://rdap.verisign.com/com/v1/"),
                               QStringLiteral("http://rdap.verisign.com/com/v1/")};
    EXPECT_EQ(b->bases.value(QStringLiteral("com")), verisign);
    EXPECT_EQ(b->bases.value(QStringLiteral("net")),
              (QStringList{verisign[0], QStringLiteral("https://rdap.example.net/v1/"), verisign[1]}));
    EXPECT_EQ(b->bases.value(QStringLiteral("xn--fiqs8s")), QStringList{QStringLiteral("https://rdap.cnnic.cn/")});
    EXPECT_TRUE(b->bases.contains(QStringLiteral("cn")));
    EXPECT_EQ(b->bases.size(), 4) << QStringList(b->bases.keys()).join(u' ').toStdString();
}

TEST(RegistryDirectory, BootstrapRefusals) {
    const std::pair<QByteArray, const char*> cases[] = {
        {"<html>", "not JSON"},
        {"", "not JSON"},
        {"[1]", "not a JSON object"},
        {R"({"version":"1.0"})", "no \"services\" array"},
        {R"({"services":{}})", "no \"services\" array"},
    };
    for (const auto& [json, why] : cases) {
        QString error;
        EXPECT_FALSE(ParseRdapBootstrap(json, &error)) << json.constData();
        EXPECT_TRUE(error.contains(QString::fromUtf8(why))) << error.toStdString();
    }
    EXPECT_FALSE(ParseRdapBootstrap("{"));  // no place for the error is fine
}

TEST(RegistryDirectory, WhoisServerTable) {
    const QByteArray table = "\xef\xbb\xbf# tld server\n"
                             "cn whois.cnnic.cn\r\n"
                             "\xe4\xb8\xad\xe5\x9b\xbd\twhois.cnnic.cn\n"  // 中国, tab-separated
                             "  .DE   whois.denic.de:4343  \n"
                             "uk whois.nic.uk:0\nio whois.nic.io:65536\nco whois.nic.co:43x\n"
                             "tk\nlone words here\nbad_tld whois.example\n"
                             "com whois.old.example\ncom whois.verisign-grs.com\n";
    const QHash<QString, WhoisServer> servers = ParseWhoisServers(table);
    EXPECT_EQ(servers.size(), 4) << QStringList(servers.keys()).join(u' ').toStdString();
    EXPECT_EQ(servers.value(QStringLiteral("cn")).host, QStringLiteral("whois.cnnic.cn"));
    EXPECT_EQ(servers.value(QStringLiteral("cn")).port, 43);
    EXPECT_EQ(servers.value(QStringLiteral("xn--fiqs8s")).host, QStringLiteral("whois.cnnic.cn"));
    EXPECT_EQ(servers.value(QStringLiteral("de")).host, QStringLiteral("whois.denic.de"));
    EXPECT_EQ(servers.value(QStringLiteral("de")).port, 4343);
    EXPECT_EQ(servers.value(QStringLiteral("com")).host, QStringLiteral("whois.verisign-grs.com"));
}

}  // namespace
