#pragma once
// Another program holding a database file: an exclusive transaction with a write in it, on a handle of
// its own, until release() or the end of the object.
#include <gtest/gtest.h>

#include <QString>
#include <sqlite3.h>

namespace ds::test {

class FileLock {
public:
    explicit FileLock(const QString& path) {
        EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db_), SQLITE_OK);
        held_ = exec("BEGIN EXCLUSIVE; insert into ldomainprice (lextend,lprice) values ('.org','77');");
    }
    ~FileLock() {
        release();
        sqlite3_close(db_);
    }
    void release() { held_ = held_ && !exec("ROLLBACK;"); }

private:
    bool exec(const char* sql) {
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        EXPECT_EQ(rc, SQLITE_OK) << sql;
        return rc == SQLITE_OK;
    }
    sqlite3* db_ = nullptr;
    bool held_ = false;
};

}  // namespace ds::test
