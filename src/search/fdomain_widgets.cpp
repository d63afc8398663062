#include "search/fdomain_widgets.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/clock.h"
#include "core/config.h"
#include "core/text.h"
#include "ui/markup.h"

namespace ds::search {


UpDownSpinner::UpDownSpinner(QLineEdit* buddy, const QString& name, double minimum, double maximum,
                             QWidget* parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum) {
    setObjectName(name);
    setFixedSize(16, 22);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    for (const auto& [arrow, step] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* b = new QToolButton(this);
        b->setArrowType(arrow);
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        const int s = step;
        connect(b, &QToolButton::clicked, this, [this, s] { stepBy(s); });
        box->addWidget(b);
    }
}

void UpDownSpinner::stepBy(int steps) {
    const double v = std::clamp(LeadingNumber(buddy_->text()) + steps, minimum_, maximum_);
    buddy_->setText(ShortestNumber(v));
    // The box's own edit handlers run as if the user had typed the new number.
    emit buddy_->textEdited(buddy_->text());
    emit buddy_->editingFinished();
}

QWidget* MakeConcurrencyBox(QWidget* parent, int index) {
    auto* holder = new QWidget(parent);
    auto* h = new QHBoxLayout(holder);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    auto* box = new QSpinBox(holder);
    // On the search tabs' crowded top rows the box names itself; the lists tab has room for a label.
    if (index == 0) {
        auto* label = new QLabel(QStringLiteral("并发查询数"), holder);
        label->setBuddy(box);
        h->addWidget(label);
    } else {
        box->setPrefix(QStringLiteral("并发 "));
    }
    box->setObjectName(ArrayName(QStringLiteral("lconcurrency"), index));
    box->setRange(1, 16);
    box->setValue(std::clamp(config().checkConcurrency, 1, 16));
    box->setToolTip(QStringLiteral("并发查询数：即时查询同时发出的请求数（每个服务器最多 %1 个）").arg(config().perHostInFlight));
    h->addWidget(box);
    return holder;
}

}  // namespace ds::search
