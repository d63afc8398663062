#include "db/demo_data.h"

#include <sqlite3.h>

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/clock.h"
#include "db/db_error.h"
#include "db/demo_words.h"
#include "db/name_index.h"
#include "db/schema.h"

namespace ds::db {
namespace {

using demo::Random;

class Database {
public:
    explicit Database(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            // SQLite hands out a handle even when the open fails; it carries the message and must be closed.
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_)) + QStringLiteral(": ") + path;
            sqlite3_close_v2(db_);
            throw DbError(message);
        }
    }
    ~Database() { sqlite3_close_v2(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* handle() const { return db_; }
    [[noreturn]] void fail() const { throw DbError(QString::fromUtf8(sqlite3_errmsg(db_))); }
    void exec(const QString& sql) const { ExecSqliteScript(db_, sql); }

private:
    sqlite3* db_ = nullptr;
};

// One prepared INSERT, bound and stepped per row. Text pointers must live until step() returns.
class Insert {
public:
    Insert(const Database& db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) db.fail();
    }
    ~Insert() { sqlite3_finalize(stmt_); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& text(const std::string& v) {
        sqlite3_bind_text(stmt_, ++column_, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        return *this;
    }
    Insert& text(const char* v) {
        sqlite3_bind_text(stmt_, ++column_, v, -1, SQLITE_STATIC);
        return *this;
    }
    Insert& textOrNull(const std::string& v, bool null) { return null ? this->null() : text(v); }
    Insert& integer(qint64 v) {
        sqlite3_bind_int64(stmt_, ++column_, v);
        return *this;
    }
    Insert& real(double v) {
        sqlite3_bind_double(stmt_, ++column_, v);
        return *this;
    }
    Insert& null() {
        sqlite3_bind_null(stmt_, ++column_);
        return *this;
    }
    void step() {
        if (sqlite3_step(stmt_) != SQLITE_DONE) db_.fail();
        sqlite3_reset(stmt_);
        column_ = 0;
    }

private:
    const Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
    int column_ = 0;
};

// "YYYY-MM-DD" texts by day, built once: a million rows reuse a few thousand dates.
class DateTexts {
public:
    explicit DateTexts(QDate today) : first_(today.addYears(-14).toJulianDay()) {
        const qint64 last = today.addYears(1).toJulianDay();
        for (qint64 day = first_; day <= last; ++day)
            texts_.push_back(QDate::fromJulianDay(day).toString(QStringLiteral("yyyy-MM-dd")).toStdString());
    }
    const std::string& at(const QDate& date) const {
        const qint64 index = std::clamp<qint64>(date.toJulianDay() - first_, 0, qint64(texts_.size()) - 1);
        return texts_[static_cast<size_t>(index)];
    }

private:
    qint64 first_;
    std::vector<std::string> texts_;
};

struct Filing {
    std::string allName, number, date, kind, siteName;
};

constexpr const char* kDomainInsert =
    " (lname,lextend,lallname,llength,lcompose,lesp,llang,lregist,lregtime,louttime,ldeltime,lback,"
    "lbacktime,lbackhostkind,lbackname,lgooglepr,lalexa,lbaidusite,lbaidudomain)"
    " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// Whole PageRank values are rare above 3, as on the real web.
int PageRank(Random& r) {
    static const int kCumulative[] = {50, 68, 82, 91, 96, 99, 100};
    const int pick = r.below(100);
    int pr = 0;
    while (pick >= kCumulative[pr]) ++pr;
    return pr;
}

// ldomainback, written as the rows that name its records are. The filing check looks every grid row up
// here, so a row showing a filing number without its record would be "un-filed" by the check.
class FilingTable {
public:
    explicit FilingTable(const Database& db)
        : insert_(db,
                  "INSERT INTO ldomainback (lallname,lback,lbacktime,lbackhost,lbackhostkind,lbackname,lbackweb)"
                  " VALUES (?,?,?,?,?,?,?)") {}

    void add(const Filing& f, Random& r) {
        const std::string holder = demo::MakeHolder(r, f.kind == "企业");
        const std::string web = "www." + f.allName;
        insert_.text(f.allName).text(f.number).text(f.date).text(holder).text(f.kind).text(f.siteName).text(web);
        insert_.step();
        ++count_;
    }
    qint64 count() const { return count_; }

private:
    Insert insert_;
    qint64 count_ = 0;
};

Filing MakeFiling(Random& r, std::string allName, const std::string& date) {
    const bool enterprise = r.chance(0.45);
    Filing f;
    f.allName = std::move(allName);
    f.number = demo::MakeFilingNumber(r);
    f.date = date;
    f.kind = enterprise ? "企业" : "个人";
    f.siteName = demo::MakeSiteName(r, enterprise);
    return f;
}

// Fills one domain table; every filed row gets its record in `filings`. `seen` spans both tables, so a
// name is listed once in the whole database and its filing record cannot belong to two different rows.
void FillDomains(const Database& db, const char* table, qint64 rows, double registeredShare, double filedShare,
                 const QDate& today, const DateTexts& dates, Random& r, std::unordered_set<std::string>& seen,
                 FilingTable& filings) {
    Insert insert(db, (std::string("INSERT INTO ") + table + kDomainInsert).c_str());
    // The first rows fall exactly on today, yesterday and tomorrow, the days the status rules turn on.
    const int fixedOffsets[] = {0, -1, 1};
    for (qint64 i = 0; i < rows; ++i) {
        demo::Name name;
        std::string ext, all;
        do {
            name = demo::MakeName(r);
            ext = demo::PickExtension(r, name.lang == 2);
            all = name.text + ext;
        } while (!seen.insert(all).second);

        const int offset = i < 3 ? fixedOffsets[i] : r.between(-60, 40);
        const QDate deleted = today.addDays(offset);
        const QDate expires = deleted.addDays(-r.between(35, 65));
        const QDate registered = expires.addYears(-r.between(1, 10)).addDays(r.between(0, 30));
        const bool filed = r.chance(filedShare);
        Filing filing;
        if (filed) filing = MakeFiling(r, all, dates.at(std::min(registered.addDays(r.between(10, 400)), today)));
        insert.text(name.text)
            .text(ext)
            .text(all)
            .integer(name.length)
            .integer(name.compose)
            .integer(name.hyphen)
            .integer(name.lang)
            .integer(r.chance(registeredShare) ? 1 : 0)
            .text(dates.at(registered))
            .text(dates.at(expires))
            .text(dates.at(deleted))
            .textOrNull(filing.number, !filed)
            .textOrNull(filing.date, !filed)
            .textOrNull(filing.kind, !filed)
            .textOrNull(filing.siteName, !filed)
            .integer(PageRank(r))
            .integer(r.chance(0.5) ? 100000000 : r.logUniform(3000, 20000000))
            .integer(r.chance(0.35) ? 0 : r.logUniform(1, 50000))
            .integer(r.chance(0.4) ? 0 : r.logUniform(1, 200000));
        insert.step();
        if (filed) filings.add(filing, r);
    }
}

// Records of names no table lists, as the operator's filing table holds many more names than are
// dropping; they make up the count asked for when the listed rows bring fewer.
void FillUnlistedFilings(FilingTable& filings, qint64 wanted, const QDate& today, const DateTexts& dates,
                         Random& r, std::unordered_set<std::string>& seen) {
    while (filings.count() < wanted) {
        std::string all = demo::MakeName(r).text + demo::PickExtension(r, false);
        if (!seen.insert(all).second) continue;
        filings.add(MakeFiling(r, std::move(all), dates.at(today.addDays(-r.between(30, 3650)))), r);
    }
}

void FillNotices(const Database& db, const DateTexts& dates, const QDate& today) {
    Insert price(db, "INSERT INTO ldomainprice (lextend,lprice) VALUES (?,?)");
    for (int i = 0; i < demo::kExtensionCount; ++i)
        if (i != demo::kUnpricedExtension) {
            price.text(demo::kExtensions[i]).text(demo::kPrices[i]);
            price.step();
        }

    struct Promotion {
        const char *code, *text, *url;
        int endsIn;
    };
    const Promotion promotions[] = {
        {"DS2026COM", "COM域名首年注册优惠", "http://www.example.com/promo/com", 30},
        {"CNNEW29", "CN域名新注特价，今日截止", "http://www.example.com/promo/cn", 0},
        {"NETHALF", "NET域名半价注册（已结束）", "http://www.example.com/promo/net", -1},
        // A description with "(" shows what the list has always shown for it: the text after it.
        {"RENEW90", "老域名续费九折(限.com/.cn)", "http://www.example.com/promo/renew", 90},
        {"VIP'S", "会员专享 'VIP' 优惠 & 礼包", "http://www.example.com/promo/vip", 60},
        {"XFER2026", "域名转入送一年", "http://www.example.com/promo/transfer", 10},
        {"ASIA88", "ASIA域名特价", "http://www.example.com/promo/asia", -30},
    };
    Insert prom(db, "INSERT INTO ldomainprom (lprom,ltext,lweburl,ltimeend) VALUES (?,?,?,?)");
    for (const Promotion& p : promotions) {
        prom.text(p.code).text(p.text).text(p.url).text(dates.at(today.addDays(p.endsIn)));
        prom.step();
    }

    struct Advert {
        int kind;
        const char *text, *address;
    };
    const Advert adverts[] = {
        {1, "过期域名抢注服务，成功率高，欢迎咨询", "http://www.example.com/ad/backorder"},
        {1, "DropScout 新版发布，检索更快更准", "http://www.dropscout.app"},
        {1, "域名快速备案，价格优惠，当天办理", "http://www.example.com/ad/filing"},
        {1, "优质老域名交易平台，每日更新", "http://www.example.com/ad/market"},
        {2, "域名投资交流群，欢迎加入", "http://www.example.com/ad/group"},
    };
    Insert ad(db, "INSERT INTO lad (lkind,ltext,laddress,lnum) VALUES (?,?,?,0)");
    for (const Advert& a : adverts) {
        ad.integer(a.kind).text(a.text).text(a.address);
        ad.step();
    }

    Insert config(db,
                  "INSERT INTO lconfig_all (lver_domain,ldownurl_domain,ldomainurl,lqqimg,lqqurl,ltaobaoimg,"
                  "ltaobaourl,lbuyurl,llinkurl,lwhoisurl,lipurl,lipmessurl,lbaktext,lmailurl,lmail,lhomeurl,lqq,"
                  "ltaobao,lbbsurl,lgbookurl,lchaturl,lweburl_domain,lblogurl,lseolist)"
                  " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    config.real(3.11)
        .text("http://www.dropscout.app/download/")
        .text("http://www.dropscout.app/domain/")
        .text("http://www.example.com/img/qq.png")
        .text("http://www.example.com/qq")
        .text("http://www.example.com/img/taobao.png")
        .text("http://www.example.com/shop")
        .text("http://www.example.com/buy?domain=")
        .text("http://127.0.0.1:8740/")
        .text("http://127.0.0.1:8732/whois?domain=")
        .text("http://127.0.0.1:8733/ip?q=")
        .text("http://127.0.0.1:8733/ipmess?q=")
        .text(
            "本站提供域名快速备案服务：个人备案 200 元起，企业备案 500 元起，资料齐全最快 7 个工作日完成。"
            "详情请联系客服。")
        .text("mailto:support@dropscout.app")
        .text("support@dropscout.app")
        .text("http://www.dropscout.app")
        .text("QQ 在线咨询")
        .text("淘宝店铺")
        .text("http://bbs.dropscout.app")
        .text("http://www.dropscout.app/gbook")
        .text("http://www.dropscout.app/chat")
        .text("http://www.dropscout.app/web")
        .text("http://blog.dropscout.app")
        .text("http://127.0.0.1:8741/relay/|http://127.0.0.1:8742/relay/");
    config.step();
}

void Generate(const QString& file, const DemoOptions& options) {
    const QDate today = options.today.isValid() ? options.today : ds::clock().today();
    const DateTexts dates(today);
    Random r(options.seed);
    Database db(file);
    // Nothing is worth protecting until the file is complete: it is renamed into place only then.
    db.exec(
        QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                       "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-65536;"));
    db.exec(SqliteSchemaTables());
    db.exec(QStringLiteral("BEGIN"));
    std::unordered_set<std::string> seen;
    seen.reserve(static_cast<size_t>(std::max<qint64>(options.regRows + options.hisRows + options.backRows, 0)) * 2);
    FilingTable filings(db);
    // ldomainreg lists filed domains (a few rows show none, as NULL filing columns do occur); of the
    // expired domains in general only a quarter carry a filing.
    FillDomains(db, "ldomainreg", options.regRows, 0.88, 0.85, today, dates, r, seen, filings);
    FillDomains(db, "ldomainhis", options.hisRows, 0.9, 0.25, today, dates, r, seen, filings);
    FillUnlistedFilings(filings, options.backRows, today, dates, r, seen);
    FillNotices(db, dates, today);
    db.exec(QStringLiteral("COMMIT"));
    // Indexes after loading are built by sorting once instead of being updated per row.
    db.exec(SqliteSchemaIndexes());
    // Without the trigram tokenizer the file works all the same; its keyword searches only scan.
    if (NameIndexSupported(db.handle()) && !BuildNameIndex(db.handle())) db.fail();
    // Whole statistics, not samples: from a sample of lregist the planner takes lregist=1 for a rare
    // value and reads a name search through that index instead of the one on lname.
    db.exec(QStringLiteral("ANALYZE;"));
}

}  // namespace

void GenerateDemoDatabase(const QString& path, const DemoOptions& options) {
    const QString temporary = path + QStringLiteral(".tmp");
    QFile::remove(temporary);
    try {
        Generate(temporary, options);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    // rename(2) replaces an older file in one step, so readers see the old or the new database.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        throw DbError(QStringLiteral("the demo database could not be moved into place: ") + path);
    }
}

}  // namespace ds::db
