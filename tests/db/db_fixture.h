#pragma once
// A fresh SQLite database file per test, and a fixed clock for the statements that read "now".
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/clock.h"
#include "db/connection.h"
#include "db/schema.h"

namespace ds::test {

struct ClockScope {
    explicit ClockScope(const QDateTime& at) : clock(std::make_shared<FixedClock>(at)) { SetClock(clock); }
    ~ClockScope() { SetClock(nullptr); }
    std::shared_ptr<FixedClock> clock;
};

class DbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("dropscout.db"));
        db::CreateEmptyDatabase(path);
    }
    QString connectionText() const { return QStringLiteral("Provider=SQLite;Data Source=") + path; }
    void openConnection() { conn.open(connectionText()); }
    void exec(const QString& sql) { conn.query(sql); }

    QTemporaryDir dir;
    QString path;
    db::Connection conn;
};

}  // namespace ds::test
