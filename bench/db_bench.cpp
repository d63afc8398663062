// Database figures on a full-size demo file: 1,000,000 ldomainhis and 200,000 ldomainreg rows.
// The file goes to $DROPSCOUT_BENCH_DB or the system temporary folder and is reused by the queries.
#include <benchmark/benchmark.h>

#include <QDir>
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

}  // namespace

BENCHMARK_MAIN();
