#pragma once
// "Today" and "now" come from here so that day differences can be tested on fixed dates.
#include <QDate>
#include <QDateTime>
#include <memory>

namespace ds {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime at) : at_(std::move(at)) {}
    QDateTime now() const override { return at_; }
    void set(QDateTime at) { at_ = std::move(at); }

private:
    QDateTime at_;
};

// The process-wide clock (a SystemClock until replaced).
const Clock& clock();
void SetClock(std::shared_ptr<Clock> c);

}  // namespace ds
