#include "search/fdomain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStandardItemModel>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/clock.h"
#include "db/connection.h"
#include "db/shared_objects.h"
#include "search/fdomain_rules.h"
#include "search/fdomain_widgets.h"
#include "search/help_window.h"
#include "search/selection.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/lock_wait_pump.h"
#include "ui/markup.h"

namespace ds::search {
namespace {
// The window's size until the user changes it; a smaller screen gets as much as it has.
constexpr QSize kDefaultSize(1200, 760);
}  // namespace

Fdomain::Fdomain(QWidget* parent) : QWidget(parent) {
    // Every command of this window may wait for a locked database file; its stop buttons must work
    // meanwhile.
    ui::InstallLockWaitPump();
    setObjectName(QStringLiteral("Fdomain"));
    setWindowTitle(QStringLiteral("DropScout 过期域名助手"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    buildMenu(layout);

    tabcontrolnew_ = new QTabWidget(this);
    tabcontrolnew_->setObjectName(QStringLiteral("tabcontrolnew"));
    tabcontrolnew_->addTab(buildFiledTab(), QStringLiteral("过期备案域名检索"));
    tabcontrolnew_->addTab(buildExpiredTab(), QStringLiteral("过期域名综合检索"));
    tabcontrolnew_->addTab(buildDisplayTab(), QStringLiteral("内容显示设置"));
    tabcontrolnew_->addTab(buildToolsTab(), QStringLiteral("域名相关工具"));
    tabcontrolnew_->addTab(buildListsTab(), QStringLiteral("批量导入、导出域名"));
    tabcontrolnew_->addTab(buildAboutTab(), QStringLiteral("软件相关信息"));
    tabcontrolnew_->addTab(buildContactTab(), QStringLiteral("联系交流"));
    tabcontrolnew_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    buildFoldButton();
    // The option pages hold many small groups; tight group margins leave the grid most of the height.
    for (QGroupBox* g : tabcontrolnew_->findChildren<QGroupBox*>()) {
        if (g->layout()) g->layout()->setContentsMargins(6, 2, 6, 4);
    }
    layout->addWidget(tabcontrolnew_, 0);
    layout->addWidget(buildResultArea(), 1);
    layout->addWidget(buildStatusRow(), 0);
    paging_.floadtxt = floadtxt_;

    lstr_ = MakeValueLabel(this, QStringLiteral("lstr"), {});
    lshowpage_ = MakeValueLabel(this, QStringLiteral("lshowpage"), QStringLiteral("lshowpage"));
    paging_.lstr = lstr_;
    paging_.lshowpage = lshowpage_;
    paging_.grid1 = grid1_;
    loader_ = std::make_unique<PageLoader>(paging_, state_, [this] { ApplySelection(); });

    wireHandlers();
    setUpGridCommands();
    // One number behind the three 并发查询数 boxes: a change in one shows in the others.
    const QList<QSpinBox*> concurrency = {findChild<QSpinBox*>(QStringLiteral("lconcurrency(0)")),
                                          findChild<QSpinBox*>(QStringLiteral("lconcurrency(1)")),
                                          findChild<QSpinBox*>(QStringLiteral("lconcurrency(2)"))};
    for (QSpinBox* box : concurrency) {
        if (!box) continue;
        connect(box, &QSpinBox::valueChanged, this, [concurrency](int value) {
            for (QSpinBox* other : concurrency)
                if (other && other->value() != value) other->setValue(value);
        });
    }
    resize(kDefaultSize);
    Form_Load();
    // The features this window hosts (checks, side tools, lists) are wired in from outside.
    if (FeatureInstaller()) FeatureInstaller()(*this);
    // What the user has not changed yet, for the restore command; then what the user changed last time.
    defaults_ = ControlSnapshot::Take(this);
    loadSettings();
}

Fdomain::~Fdomain() = default;

std::function<void(Fdomain&)>& Fdomain::FeatureInstaller() {
    static std::function<void(Fdomain&)> installer;
    return installer;
}

void Fdomain::SetFeatureInstaller(std::function<void(Fdomain&)> installer) {
    FeatureInstaller() = std::move(installer);
}

// On a small screen the option pages take half the window. They fold to the tab bar alone, so the grid
// gets the room; the window remembers it (the button is a remembered switch). A click on a tab asks to
// see that page, so it unfolds them.
void Fdomain::buildFoldButton() {
    auto* fold = new QToolButton(tabcontrolnew_);
    fold->setObjectName(QStringLiteral("lfoldpanel"));
    fold->setCheckable(true);
    fold->setAutoRaise(true);
    fold->setFocusPolicy(Qt::NoFocus);
    tabcontrolnew_->setCornerWidget(fold, Qt::TopRightCorner);
    QWidget* pages = tabcontrolnew_->findChild<QStackedWidget*>();
    const auto apply = [this, fold, pages](bool folded) {
        fold->setText(folded ? QStringLiteral("展开选项 ▼") : QStringLiteral("收起选项 ▲"));
        fold->setToolTip(folded ? QStringLiteral("显示当前页的检索选项")
                                : QStringLiteral("只留标签栏，让结果表格显示更多行"));
        if (pages) pages->setVisible(!folded);
        tabcontrolnew_->setMaximumHeight(folded ? tabcontrolnew_->tabBar()->sizeHint().height() : QWIDGETSIZE_MAX);
    };
    apply(false);
    connect(fold, &QToolButton::toggled, this, apply);
    connect(tabcontrolnew_->tabBar(), &QTabBar::tabBarClicked, fold, [fold] { fold->setChecked(false); });
}

// The bottom line of the window: what the last long command reported, and the strip with the running
// one's progress. Both sit below the grid, so neither covers rows that are being written.
QWidget* Fdomain::buildStatusRow() {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(2, 0, 2, 0);
    lstatus_ = new QLabel(row);
    lstatus_->setObjectName(QStringLiteral("lstatus"));
    // A long report is cut at the window's edge rather than widening the window.
    lstatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    h->addWidget(lstatus_, 1);
    floadtxt_ = new ui::BusyStrip({}, row);
    floadtxt_->setObjectName(QStringLiteral("floadtxt"));
    floadtxt_->setFixedSize(460, 20);
    QSizePolicy keep = floadtxt_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);  // the line keeps its height while no command runs
    floadtxt_->setSizePolicy(keep);
    floadtxt_->setStatusLine(lstatus_);
    floadtxt_->hide();
    h->addWidget(floadtxt_);
    return row;
}

void Fdomain::buildMenu(QVBoxLayout* layout) {
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menubar"));
    QMenu* help = bar->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("mhelp"));
    auto add = [this](QMenu* menu, const QString& name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    connect(add(help, QStringLiteral("mtext"), QStringLiteral("内容")), &QAction::triggered, this,
            &Fdomain::mtext_Click);
    help->addSeparator();
    const std::pair<const char16_t*, const char16_t*> links[] = {
        {u"mhome", u"官方网站"}, {u"mweb", u"软件网页版"}, {u"mbbs", u"论坛"},
        {u"mchat", u"聊天室"},   {u"mgbook", u"留言本"},
    };
    for (const auto& [name, text] : links) {
        const QString n = QString::fromUtf16(name);
        connect(add(help, n, QString::fromUtf16(text)), &QAction::triggered, this, [this, n] { runAction(n); });
    }
    help->addSeparator();
    connect(add(help, QStringLiteral("mabout"), QStringLiteral("关于")), &QAction::triggered, this,
            &Fdomain::mabout_Click);
    QAction* mend = bar->addAction(QStringLiteral("退出"));
    mend->setObjectName(QStringLiteral("mend"));
    connect(mend, &QAction::triggered, this, &Fdomain::EndProgram);
    layout->setMenuBar(bar);
}

void Fdomain::Form_Load() {
    hide();

    grid1_->setGridFont(QStringLiteral("Tahoma"), 8);
    grid1_->setCols(GridColumnCount);
    grid1_->setRows(1);
    grid1_->setCheckColumn(1);
    for (int c = 0; c < GridColumnCount; ++c) {
        grid1_->setCellText(0, c, QString::fromUtf16(GridColumns()[c].header));
        grid1_->setColumnWidth(c, GridColumns()[c].width);
    }
    // 选择, 编号 and 域名地址 stay in view while the metric columns are scrolled to.
    grid1_->setFrozenColumns(3);

    // The first run opens in the middle of the screen's free area (a small screen it fills); later runs
    // open where the last one ended (loadSettings).
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    move(screen.topLeft());
    fitToScreen();
    QRect centred(screen.topLeft(), size());
    centred.moveCenter(screen.center());
    move(std::max(centred.left(), screen.left()), std::max(centred.top(), screen.top()));

    for (const char16_t* name : {u"ltime1", u"ltime2", u"sltime1", u"sltime2"}) {
        if (auto* d = findChild<QDateEdit*>(QString::fromUtf16(name))) d->setDate(ds::clock().today());
    }
    state_.RowsPerPage = RepairRowsPerPage(lsetrow_->text()).rowsPerPage;
    firstActivated_ = false;
}

void Fdomain::Form_Activate() {
    if (firstActivated_) return;
    lsel_->clear();
    for (const QString& entry : SelectionEntries()) {
        lsel_->addItem(ui::ParseMarkup(entry).plain);
        lsel_->setItemData(lsel_->count() - 1, entry, ui::MarkupRole);
    }
    lsel_->setCurrentIndex(0);
    lsel_Click();
    firstActivated_ = true;
    tabcontrolnew_->setCurrentIndex(firstTab_ >= 0 && firstTab_ < tabcontrolnew_->count() ? firstTab_ : 0);
}

void Fdomain::Form_Click() { lfind_->setFocus(); }

void Fdomain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Activate();
    // The frame's size is known once the window is on screen.
    if (!shownOnce_) {
        shownOnce_ = true;
        fitToScreen();
    }
}

void Fdomain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Form_Activate();
}

void Fdomain::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    Form_Click();
}

void Fdomain::fitToScreen() {
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen()) return;
    const QRect free = s->availableGeometry();
    // The frame is not known before the window is first shown; a title bar and borders are assumed,
    // unless the window draws its own frame inside its size. Once shown, the window has the frame the
    // platform says (none under a desktop without a window manager).
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && !shownOnce_)
        frame = windowFlags().testFlag(Qt::FramelessWindowHint) ? QSize(0, 0) : QSize(8, 32);
    const QSize room = free.size() - frame;
    const QSize fitted = size().boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room));
    if (fitted != size()) resize(fitted);
    const QSize outer = fitted + frame;
    const QPoint at(qBound(free.left(), x(), qMax(free.left(), free.right() + 1 - outer.width())),
                    qBound(free.top(), y(), qMax(free.top(), free.bottom() + 1 - outer.height())));
    if (at != pos()) move(at);
}

void Fdomain::closeEvent(QCloseEvent* event) {
    // Closing never asks: the settings are written and the whole program ends here.
    event->ignore();
    EndProgram();
}

void Fdomain::ReleaseResources() {
    state_.StopFlag = true;
    if (released_) return;
    released_ = true;
    for (auto it = releaseHooks_.rbegin(); it != releaseHooks_.rend(); ++it) {
        if (*it) (*it)();
    }
    releaseHooks_.clear();
}

void Fdomain::EndProgram() {
    saveSettings();
    ReleaseResources();
    // Closed before the abrupt end, so the embedded engine gathers the statistics this session's
    // searches found missing.
    db::DbConn().close();
    ui::desktop().endProgram(0);
}

void Fdomain::loadSettings() {
    const std::optional<StoredWindowState> stored = ReadWindowState(WindowSettingsPath());
    if (!stored) return;
    stored->controls.applyTo(this);
    applyRememberedControls();
    firstTab_ = stored->placement.tab;
    const WindowPlacement& at = stored->placement;
    if (at.normal.isValid()) {
        // Exactly where it was; the first show keeps it on a screen that has become smaller.
        setGeometry(at.normal);
        if (at.maximized) setWindowState(windowState() | Qt::WindowMaximized);
    } else if (!stored->geometry.isEmpty() && restoreGeometry(stored->geometry)) {
        fitToScreen();  // a file of an earlier build
    }
}

void Fdomain::saveSettings() {
    // Boxes still being edited are repaired first, so the file never keeps a value a search would refuse.
    repairEditBoxes();
    WindowPlacement at;
    at.maximized = isMaximized();
    at.normal = at.maximized || isFullScreen() ? normalGeometry() : geometry();
    at.tab = tabcontrolnew_->currentIndex();
    WriteWindowState(WindowSettingsPath(), ControlSnapshot::Take(this), at);
}

void Fdomain::restoreDefaults() {
    const ui::MessageAnswer answer = ui::desktop().message(
        this, QString::fromUtf16(RestoreDefaultsQuestion), QStringLiteral("恢复默认设置"), ui::MessageButtons::YesNo);
    if (answer != ui::MessageAnswer::Yes) return;
    defaults_.applyTo(this);
    applyRememberedControls();
    if (isMaximized()) showNormal();
    resize(kDefaultSize);
    fitToScreen();
    if (!WindowSettingsPath().isEmpty()) QFile::remove(WindowSettingsPath());
}

void Fdomain::applyRememberedControls() {
    for (int i = 0; i < lshowset_.size(); ++i) lshowset_Click(i);
    repairEditBoxes();
}

void Fdomain::mabout_Click() {
    ui::desktop().message(this,
                          AboutText(QStringLiteral("3.11"), db::DbConn().isOpen() ? db::ConnString : QString()),
                          QStringLiteral("关于"));
}

void Fdomain::mtext_Click() {
    if (!help_) help_ = new HelpWindow(this);
    help_->showOnScreenOf(this);
}

void Fdomain::setAction(const QString& control, Action action) { actions_.insert(control, std::move(action)); }

void Fdomain::runAction(const QString& control) {
    const auto it = actions_.constFind(control);
    if (it != actions_.constEnd() && *it) {
        (*it)();
        return;
    }
    ui::desktop().message(this, QString::fromUtf16(NotYetOpenText));
}

void Fdomain::setHandOver(const QString& window, HandOver handOver) {
    handOvers_.insert(window, std::move(handOver));
}

void Fdomain::addReleaseHook(std::function<void()> hook) { releaseHooks_.push_back(std::move(hook)); }

ui::MarkupButton* Fdomain::actionButton(QWidget* parent, const QString& name, const QString& caption) {
    ui::MarkupButton* b = MakeButton(parent, name, caption);
    connect(b, &QPushButton::clicked, this, [this, name] { runAction(name); });
    return b;
}

}  // namespace ds::search
