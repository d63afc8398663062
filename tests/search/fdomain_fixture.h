#pragma once
// The main window on real widgets, shown, with a fixed "today" and a recording desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>

#include <memory>

#include "core/clock.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::search::test_fdomain {

using namespace ds;
using namespace ds::search;

inline const QDate kToday(2011, 12, 1);

class FdomainTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(10, 0))));
        w_ = std::make_unique<Fdomain>();
        w_->show();
    }
    void TearDown() override {
        w_.reset();
        SetClock(std::make_shared<SystemClock>());
    }

    template <typename T = QWidget>
    T* child(const QString& name) {
        T* c = w_->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    ui::MarkupCheck* check(const QString& name) { return child<ui::MarkupCheck>(name); }
    QLineEdit* edit(const QString& name) { return child<QLineEdit>(name); }
    ui::GridControl* grid() { return w_->grid1(); }

    // Fills data rows: domain, status, filing number.
    void fillGrid(const std::vector<std::array<QString, 3>>& rows) {
        grid()->setRows(1);
        grid()->setRows(static_cast<int>(rows.size()) + 1);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            grid()->setCellText(r + 1, 3, rows[r][0]);
            grid()->setCellText(r + 1, 4, rows[r][1]);
            grid()->setCellText(r + 1, 6, rows[r][2]);
        }
    }
    QStringList marks() {
        QStringList out;
        for (int r = 1; r < grid()->rows(); ++r) out << grid()->cellText(r, 1);
        return out;
    }

    test::DesktopScope desktop_;
    std::unique_ptr<Fdomain> w_;
};


}  // namespace ds::search::test_fdomain
