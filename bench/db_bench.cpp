// Database figures on a full-size demo file: 1,000,000 ldomainhis and 200,000 ldomainreg rows.
// The file goes to $DROPSCOUT_BENCH_DB or the system temporary folder and is reused by the queries.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "db/connection.h"
#include "db/demo_data.h"
#include "db/recordset.h"

namespace {

using namespace ds::db;

QString BenchDatabase() {
    const QByteArray chosen = qgetenv("DROPSCOUT_BENCH_DB");
    return chosen.isEmpty() ? QDir::temp().filePath(QStringLiteral("dropscout_bench.db"))
                            : QString::fromLocal8Bit(chosen);
}

DemoOptions FullSize() {
    DemoOptions options;
    options.regRows = 200000;
    options.hisRows = 1000000;
    return options;
}

Connection& BenchConnection() {
    static Connection conn;
    if (!conn.isOpen()) {
        if (!QFileInfo::exists(BenchDatabase())) GenerateDemoDatabase(BenchDatabase(), FullSize());
        conn.open(QStringLiteral("Provider=SQLite;Data Source=") + BenchDatabase());
    }
    return conn;
}

void BM_GenerateFullDemoDatabase(benchmark::State& state) {
    for (auto _ : state) GenerateDemoDatabase(BenchDatabase(), FullSize());
}
BENCHMARK(BM_GenerateFullDemoDatabase)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void OpenAndClose(benchmark::State& state, const QString& sql) {
    Connection& conn = BenchConnection();
    Recordset rs;
    qint64 rows = 0;
    for (auto _ : state) {
        rs.open(sql, conn);
        rows = rs.recordCount();
        rs.close();
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_ExpiredSearchTop2000(benchmark::State& state) {
    OpenAndClose(state, QStringLiteral("select top 2000 * from ldomainhis where (lregist=1) and "
                                       "datediff(day,ldeltime,getdate())<0 and lesp=0 and llang=1"));
}
BENCHMARK(BM_ExpiredSearchTop2000)->Unit(benchmark::kMillisecond);

void BM_FiledSearchSortedTop2000(benchmark::State& state) {
    OpenAndClose(state, QStringLiteral("select top 2000 * from ldomainreg where (lregist=1) and "
                                       "datediff(day,ldeltime,getdate())>=0  and lesp=0 and llang=1 "
                                       "order by llength,lbaidudomain desc"));
}
BENCHMARK(BM_FiledSearchSortedTop2000)->Unit(benchmark::kMillisecond);

void BM_CountRegistered(benchmark::State& state) {
    OpenAndClose(state, QStringLiteral("SELECT COUNT(*) FROM ldomainreg where lregist=1"));
}
BENCHMARK(BM_CountRegistered)->Unit(benchmark::kMillisecond);

void BM_CountHistoryPageRank(benchmark::State& state) {
    OpenAndClose(state, QStringLiteral("SELECT COUNT(*) FROM ldomainhis where  lgooglepr>0"));
}
BENCHMARK(BM_CountHistoryPageRank)->Unit(benchmark::kMillisecond);

void BM_CountHistory(benchmark::State& state) {
    OpenAndClose(state, QStringLiteral("SELECT COUNT(*) FROM ldomainhis"));
}
BENCHMARK(BM_CountHistory)->Unit(benchmark::kMillisecond);

// 100,000 rows of the domain table's shape read whole through each backend: the embedded one, and the
// ODBC backend on Debian's SQLite ODBC driver (Provider=MSDASQL), on the same file.
QString HundredThousandRows() {
    static const QString path = [] {
        const QString file = QDir::temp().filePath(QStringLiteral("dropscout_bench_100k.db"));
        QFile::remove(file);
        QFile empty(file);  // an empty file is an empty SQLite database; the backend opens only existing ones
        empty.open(QIODevice::WriteOnly);
        empty.close();
        Connection c;
        c.open(QStringLiteral("Provider=SQLite;Data Source=") + file);
        c.query(QStringLiteral("create table t (lid integer, lallname text, lback text, lbacktime text)"));
        c.query(QStringLiteral("with recursive n(x) as (select 1 union all select x+1 from n where x<100000) "
                               "insert into t select x, 'name'||x||'.com', case when x%3=0 then null else "
                               "'京ICP备'||x||'号' end, '2020-01-02' from n"));
        return file;
    }();
    return path;
}

long PeakRssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void ReadAll(benchmark::State& state, const QString& connectionText) {
    Connection c;
    try {
        c.open(connectionText);
    } catch (const DbError& e) {
        state.SkipWithError(e.description().toStdString().c_str());
        return;
    }
    size_t rows = 0;
    for (auto _ : state) rows = c.query(QStringLiteral("select * from t")).rows.size();
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["peak_rss_mb"] = PeakRssKb() / 1024.0;
}

void BM_Read100kRowsEmbedded(benchmark::State& state) {
    ReadAll(state, QStringLiteral("Provider=SQLite;Data Source=") + HundredThousandRows());
}
BENCHMARK(BM_Read100kRowsEmbedded)->Unit(benchmark::kMillisecond);

void BM_Read100kRowsOdbc(benchmark::State& state) {
    ReadAll(state, QStringLiteral("Provider=MSDASQL;Driver={SQLite3};Database=") + HundredThousandRows());
}
BENCHMARK(BM_Read100kRowsOdbc)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
