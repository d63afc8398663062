#include "tools/fback.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "checks/filing_rules.h"
#include "core/config.h"
#include "core/reentry_guard.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "ui/control_factory.h"
#include "tools/lookup_rules.h"
#include "tools/cping.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::tools {
namespace {

struct Field {
    const char16_t* label;
    const char* column;  // empty: not a column of the record
};
// lwith(0..7): the filing subject's fields, then the filed site's.
constexpr Field kFields[8] = {
    {u"备案/许可证号：", "lback"},   {u"审核通过时间：", "lbacktime"}, {u"主办单位名称：", "lbackhost"},
    {u"主办单位性质：", "lbackhostkind"}, {u"网站名称：", "lbackname"}, {u"网站备案/许可证号：", "lbackweb"},
    {u"网站地址：", ""},              {u"服务器所在IP：", ""},
};

}  // namespace

fback::fback(QWidget* parent) : SideWindow(parent), ping_(std::make_unique<cPing>()) {
    setObjectName(QStringLiteral("fback"));
    setWindowTitle(QStringLiteral("备案查询"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(ui::MakeLabel(this, QStringLiteral("http://www."), QStringLiteral("Label9")));
    ltext_ = ui::MakeEdit(this, QStringLiteral("ltext"), {});
    top->addWidget(ltext_, 1);
    auto* lfind = ui::MakeButton(this, QStringLiteral("lfind"), QStringLiteral("备案信息"));
    auto* lclose = ui::MakeButton(this, QStringLiteral("lclose"), QStringLiteral("关  闭"));
    top->addWidget(lfind);
    top->addWidget(lclose);
    layout->addLayout(top);

    auto* frame = ui::MakeGroup(this, QStringLiteral("备案信息"));
    frame->setObjectName(QStringLiteral("Frame2"));
    auto* grid = new QGridLayout(frame);
    int at = 0;
    for (int i = 0; i < 8; ++i) {
        if (i == 0 || i == 4) {
            auto* heading = new QLabel(i == 0 ? QStringLiteral("<b>ICP备案主体信息</b>") : QStringLiteral("<b>ICP备案网站信息</b>"),
                                       frame);
            grid->addWidget(heading, at++, 0, 1, 2);
        }
        grid->addWidget(new QLabel(QString::fromUtf16(kFields[i].label), frame), at, 0, Qt::AlignRight);
        auto* field = ui::MakeEdit(frame, ui::ArrayName(QStringLiteral("lwith"), i), {});
        field->setReadOnly(true);
        field->setMinimumWidth(320);
        grid->addWidget(field, at++, 1);
        lwith_ << field;
    }
    layout->addWidget(frame);

    connect(lfind, &QPushButton::clicked, this, &fback::lfind_Click);
    connect(lclose, &QPushButton::clicked, this, &fback::lclose_Click);
    watchDomainBox(ltext_);
    adjustSize();
    if (const QScreen* s = screen())
        move(TwipsToPixels(100, s->logicalDotsPerInchX()), TwipsToPixels(10, s->logicalDotsPerInchY()));
}

fback::~fback() = default;

void fback::lfind_Click() { runOneAtATime([this] { lookup(); }); }

void fback::lookup() {
    for (QLineEdit* f : lwith_) f->clear();
    const QString domain = LookupDomain(ltext_->text());
    db::Recordset rs;
    try {
        if (HasDotAfterFirst(domain)) {
            QCoreApplication::processEvents();
            // The quote of a name such as o'neil.com is doubled, so it cannot end the literal.
            db::SqlText = checks::FilingStatement(domain);
            if (!db::DbConn().isOpen()) db::NewDbObjects();
            rs.open(db::SqlText, db::DbConn());
            QCoreApplication::processEvents();
            if (rs.recordCount() > 0) {
                rs.moveFirst();
                for (int i = 0; i < 6; ++i) {
                    const QVariant v = rs.value(QString::fromLatin1(kFields[i].column));
                    lwith_[i]->setText(i == 1 ? search::DateCellText(v) : search::CellText(v));
                }
                lwith_[6]->setText(domain);
                QCoreApplication::processEvents();
                lwith_[7]->setText(ping_->funcGetIPFromHostName(domain));
            }
        }
    } catch (const db::DbError& e) {
        ui::desktop().message(this, u"有错误发生，请联系管理员" + config().adminContact + u"：" + e.description());
    }
    ltext_->setFocus();
    if (rs.state() == db::Recordset::StateOpen) rs.close();
}

flist_back::flist_back(ui::GridControl* grid, std::function<void()> rowsReplaced, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), grid_(grid), rowsReplaced_(std::move(rowsReplaced)) {
    setObjectName(QStringLiteral("flist_back"));
    setWindowTitle(QStringLiteral("备案查询域名导入框"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("域名输入框"), this));
    llist_ = new QPlainTextEdit(this);
    llist_->setObjectName(QStringLiteral("llist"));
    llist_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(llist_, 1);
    auto* buttons = new QHBoxLayout;
    auto* lgo = ui::MakeButton(this, QStringLiteral("lgo"), QStringLiteral("导入"));
    auto* lclear = ui::MakeButton(this, QStringLiteral("lclear"), QStringLiteral("清空"));
    auto* close = ui::MakeButton(this, QStringLiteral("Command1"), QStringLiteral("关闭"));
    for (QWidget* b : {static_cast<QWidget*>(lgo), static_cast<QWidget*>(lclear), static_cast<QWidget*>(close)})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(lgo, &QPushButton::clicked, this, &flist_back::lgo_Click);
    connect(lclear, &QPushButton::clicked, this, &flist_back::lclear_Click);
    connect(close, &QPushButton::clicked, this, &flist_back::Command1_Click);
    placeOnScreen();
}

void flist_back::placeOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect place = PasteBoxGeometry(screen->availableGeometry(), screen->logicalDotsPerInchX());
    resize(place.size());
    move(place.topLeft());
}

void flist_back::lgo_Click() {
    const QStringList names = PastedDomains(llist_->toPlainText());
    grid_->setRows(1);
    int n = 0;
    for (const QString& name : names) {
        ++n;
        grid_->appendRow({QString(), QString(), QString::number(n), name});
    }
    grid_->endRepaintHold();
    // Nothing yields above, so the main window hears of its new rows once they are all in.
    if (rowsReplaced_) rowsReplaced_();
}

void flist_back::lclear_Click() { llist_->clear(); }

void flist_back::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}

}  // namespace ds::tools
