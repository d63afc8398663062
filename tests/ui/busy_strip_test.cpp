// The busy strip: every step is counted, few are painted, the last one at once, and its painting does
// not reach the window behind it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QStringList>

#include "support/test_support.h"
#include "ui/busy_strip.h"

using ds::ui::BusyStrip;

namespace {

// Counts the paint events of one widget and keeps what the strip showed at each.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* watched, BusyStrip* strip = nullptr) : strip_(strip) {
        watched->installEventFilter(this);
    }
    int paints = 0;
    QStringList shown;

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (strip_) shown << strip_->shownText();
        }
        return false;
    }

private:
    BusyStrip* strip_;
};

class BusyStripTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.resize(600, 100);
        strip_ = new BusyStrip({}, &window_);
        strip_->setGeometry(20, 40, 460, 20);
        window_.show();
        ASSERT_TRUE(ds::test::WaitFor([&] { return window_.isVisible(); }));
        strip_->showBusy(u"正在读取分页数据,请稍候"_qs);
    }

    QWidget window_;
    BusyStrip* strip_ = nullptr;
};

// A loop that yields after every row, the worst case: the strip must not paint once per row.
TEST_F(BusyStripTest, AThousandStepsArePaintedAFewTimesTheLastOneAtOnce) {
    PaintLog log(strip_, strip_);
    int counted = 0;
    QObject::connect(strip_, &BusyStrip::progressChanged, [&](qint64 done, qint64 total) {
        EXPECT_EQ(done, counted++);
        EXPECT_EQ(total, 1000);
    });
    QElapsedTimer clock;
    clock.start();
    for (int step = 0; step <= 1000; ++step) {
        strip_->setProgress(step, 1000);
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(counted, 1001);
    // One paint per interval that passed, and the last step's; the bound follows the loop's own pace
    // so that a slow machine does not fail it.
    EXPECT_LE(log.paints, 2 + elapsed / ds::ui::kStripRepaintIntervalMs) << "over " << elapsed << " ms";
    ASSERT_FALSE(log.shown.isEmpty());
    EXPECT_EQ(log.shown.last(), u"正在读取分页数据,请稍候  1000 / 1000"_qs);
    EXPECT_EQ(strip_->value(), 1000);
    EXPECT_EQ(strip_->maximum(), 1000);
}

// A step inside the interval is painted once the interval is over, although no step follows it (a loop
// that now waits for a slow answer).
TEST_F(BusyStripTest, AStepHeldBackIsPaintedWhenTheIntervalEnds) {
    PaintLog log(strip_, strip_);
    strip_->setProgress(1, 10);
    strip_->setProgress(2, 10);
    // The bar's own value moves only when the strip paints the count.
    ASSERT_TRUE(ds::test::WaitFor([&] { return strip_->value() == 2; }, 2000)) << log.shown.join(u" | ").toStdString();
    EXPECT_TRUE(ds::test::WaitFor([&] { return !log.shown.isEmpty() && log.shown.last().endsWith(u"2 / 10"); }, 2000));

    // A text that changes while the count stands still is held back and shown the same way.
    strip_->setText(u"正在导入域名，已读取 1000 行，请稍候"_qs);
    EXPECT_TRUE(ds::test::WaitFor([&] { return log.shown.last().startsWith(u"正在导入域名，已读取 1000 行"); }, 2000));
}

// The strip fills its whole rectangle: painting a count does not repaint the window behind it.
TEST_F(BusyStripTest, PaintingACountLeavesTheWindowBehindAlone) {
    strip_->setProgress(1, 5);  // a count, so the running indicator no longer animates
    ds::test::WaitFor([&] { return strip_->value() == 1; }, 2000);
    QCoreApplication::processEvents();
    PaintLog strip(strip_), behind(&window_);
    strip_->setProgress(5, 5);  // the last step: painted at once
    QCoreApplication::processEvents();
    EXPECT_GE(strip.paints, 1);
    EXPECT_EQ(behind.paints, 0);
}

}  // namespace
