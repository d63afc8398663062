// A statement on a file that another program holds locked, at the connection: what an event handled
// during the wait may do to the waiting connection. (A stop press and the limit are tested on the
// main window, tests/search/locked_database_test.cpp.)
#include <gtest/gtest.h>

#include <functional>

#include "core/stop_signal.h"
#include "db/lock_wait.h"
#include "db_fixture.h"
#include "file_lock.h"

using namespace ds;
using namespace ds::db;

namespace {

struct PumpScope {
    explicit PumpScope(LockWaitPump pump) : previous(SetLockWaitPump(std::move(pump))) {}
    ~PumpScope() { SetLockWaitPump(previous); }
    LockWaitPump previous;
};

class LockWaitTest : public test::DbFixture {};

TEST_F(LockWaitTest, EventsDuringTheWaitCannotBreakTheWaitingStatement) {
    const struct {
        const char* name;
        std::function<void(Connection& conn, QString& refusal)> duringWait;  // before the lock goes
        bool stopBeforeStatement;
        bool refused;  // the statement issued from the pump was turned away
        bool openAfter;
    } cases[] = {
        {"nothing", [](Connection&, QString&) {}, false, false, true},
        // The engine forbids the waiting connection inside its own busy callback.
        {"a statement on the waiting connection",
         [](Connection& conn, QString& refusal) {
             try {
                 conn.query(u"select count(*) from ldomainprice"_qs);
             } catch (const DbError& e) {
                 refusal = e.description();
             }
         },
         false, true, true},
        // The statement keeps its backend: the close takes effect once it returns.
        {"a close of the waiting connection", [](Connection& conn, QString&) { conn.close(); }, false, false, false},
        // Only a press during the wait ends it, not one left from a loop stopped earlier.
        {"a stop pressed before the statement", [](Connection&, QString&) {}, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!conn.isOpen()) openConnection();
        test::FileLock lock(path);
        QString refusal;
        int pumps = 0;
        int waitsSeen = 0;
        const PumpScope pump([&] {
            waitsSeen = LockWaitsInProgress();
            if (pumps++ > 0) return;
            c.duringWait(conn, refusal);
            lock.release();
        });
        if (c.stopBeforeStatement) RequestStop();

        QString failure;
        try {
            EXPECT_EQ(conn.query(u"select lprice from ldomainprice"_qs).rows.size(), 0u);
        } catch (const DbError& e) {
            failure = e.description();
        }
        EXPECT_EQ(failure, QString());
        EXPECT_EQ(pumps, 1);
        EXPECT_EQ(waitsSeen, 1);
        EXPECT_EQ(LockWaitsInProgress(), 0);
        EXPECT_EQ(refusal, c.refused ? LockWaitReentryText() : QString());
        EXPECT_EQ(conn.isOpen(), c.openAfter);
    }
}

}  // namespace
