#include "startup/fload.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "core/config.h"
#include "db/name_index.h"
#include "db/shared_objects.h"
#include "net/fetch.h"
#include "search/fdomain.h"
#include "startup/address_code.h"
#include "startup/address_store.h"
#include "startup/fdata.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::startup {

namespace {

void Yield() { QCoreApplication::processEvents(); }

// A database made before the keyword index existed gets it on its first open, which takes a while on a
// large file: the strip counts it out, and the window goes on handling events meanwhile.
class IndexBuildDisplay {
public:
    explicit IndexBuildDisplay(ui::BusyStrip* strip)
        : strip_(strip),
          text_(strip->text()),
          previous_(db::SetBuildProgressHook([this](qint64 done, qint64 total) { show(done, total); })) {}
    ~IndexBuildDisplay() {
        db::SetBuildProgressHook(std::move(previous_));
        if (!shown_) return;
        strip_->setRange(0, 0);
        strip_->setText(text_);
    }
    IndexBuildDisplay(const IndexBuildDisplay&) = delete;
    IndexBuildDisplay& operator=(const IndexBuildDisplay&) = delete;

private:
    void show(qint64 done, qint64 total) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        strip_->setText(QStringLiteral("首次打开数据库，正在建立域名检索索引 %1%，请稍候").arg(percent));
        strip_->setRange(0, 100);
        strip_->setValue(percent);
        shown_ = true;
        Yield();
    }

    ui::BusyStrip* strip_;
    QString text_;
    bool shown_ = false;
    db::BuildProgress previous_;
};

fload::MainWindowFactory& Factory() {
    static fload::MainWindowFactory factory;
    return factory;
}

}  // namespace

void fload::SetMainWindowFactory(MainWindowFactory factory) { Factory() = std::move(factory); }

fload::fload(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fload"));
    setWindowTitle(QStringLiteral("DropScout 登录"));

    GroupBox24_ = new QGroupBox(QStringLiteral("登录网络设置"), this);
    GroupBox24_->setObjectName(QStringLiteral("GroupBox24"));
    lnet_[0] = new ui::MarkupRadio(
        QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>电信</Run> 用户</TextBlock>"), GroupBox24_);
    lnet_[0]->setObjectName(QStringLiteral("lnet(0)"));
    lnet_[1] = new ui::MarkupRadio(
        QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>网通</Run> 用户</TextBlock>"), GroupBox24_);
    lnet_[1]->setObjectName(QStringLiteral("lnet(1)"));
    auto* netRow = new QHBoxLayout(GroupBox24_);
    netRow->addStretch();
    netRow->addWidget(lnet_[0]);
    netRow->addSpacing(24);
    netRow->addWidget(lnet_[1]);
    netRow->addStretch();

    llogin_ = new ui::MarkupButton(QStringLiteral("开始登录"), this);
    llogin_->setObjectName(QStringLiteral("llogin"));
    llogin_->setDefault(true);
    llogin_->setAutoDefault(true);
    lquit_ = new ui::MarkupButton(QStringLiteral("退出登录"), this);
    lquit_->setObjectName(QStringLiteral("lquit"));
    lquit_->setAutoDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(llogin_);
    buttons->addSpacing(16);
    buttons->addWidget(lquit_);
    buttons->addStretch();

    floadtxt_ = new ui::BusyStrip(QStringLiteral("正在连接域名数据库，请稍候"), this);
    floadtxt_->setObjectName(QStringLiteral("floadtxt"));
    floadtxt_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 12);
    layout->addWidget(GroupBox24_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->addSpacing(6);
    layout->addWidget(floadtxt_);
    setMinimumWidth(360);
    llogin_->setFocus();

    connect(llogin_, &QPushButton::clicked, this, &fload::llogin_Click);
    connect(lquit_, &QPushButton::clicked, this, &fload::lquit_Click);

    Form_Load();
}

fload::~fload() = default;

void fload::Form_Load() {
    try {
        settingsFile_ = QStringLiteral("set.dat");
        activated_ = false;
        // The window frame and skin are applied by the skin module when it is present.
    } catch (const std::exception& e) {
        ui::desktop().message(this, QStringLiteral("环境初始化出错，请联系管理员") + config().adminContact +
                                        QStringLiteral("：") + QString::fromLocal8Bit(e.what()));
        ui::desktop().endProgram(1);
    }
}

bool fload::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Form_Activate();
    return QWidget::event(e);
}

void fload::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // Some window systems (a bare X server without a window manager) never activate the window.
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void fload::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    try {
        if (!QFileInfo::exists(settingsFile_)) lnet_[0]->setChecked(true);
        EnsureFileExists(settingsFile_);
        record_ = ReadStoredRecord(settingsFile_, config().codePage);
        lnet_[record_.field(kNetworkField) == u"lt" ? 1 : 0]->setChecked(true);
    } catch (const std::exception&) {
        // An unreadable settings file only means the first variant is preselected.
        lnet_[0]->setChecked(true);
    }
}

void fload::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        Form_KeyDown(27, 0);
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && llogin_->isEnabled() && llogin_->isVisible()) {
        llogin_->click();  // 开始登录 is the default button
        return;
    }
    QWidget::keyPressEvent(e);
}

void fload::Form_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode != 27) return;
    try {
        if (db::DbConn().isOpen()) db::DbConn().close();
    } catch (...) {
    }
    ui::desktop().endProgram(0);
}

void fload::lquit_Click() { ui::desktop().endProgram(0); }

int fload::networkIndex() const { return lnet_[0]->isChecked() ? 0 : 1; }

template <typename Step>
bool fload::Try(Step step) {
    try {
        step();
        return true;
    } catch (const db::DbError& e) {
        lastError_ = e.description();
    } catch (const StartupError& e) {
        lastError_ = e.description();
    } catch (const std::exception& e) {
        lastError_ = QString::fromLocal8Bit(e.what());
    }
    return false;
}

void fload::closeEvent(QCloseEvent* e) {
    if (!loginRunning_) {
        QWidget::closeEvent(e);
        return;
    }
    // The login handler is still running on this window (waiting for the address service, the
    // database or a yield): a close now is the user quitting, and the window must outlive the handler,
    // so it is never closed (and with WA_DeleteOnClose deleted) underneath it.
    e->ignore();
    lquit_Click();
}

void fload::llogin_Click() {
    loginRunning_ = true;
    QWidget* main = ConnectAndShowMain();
    loginRunning_ = false;
    if (!main) return;
    floadtxt_->hide();
    close();
    llogin_->setEnabled(true);
    emit loggedIn(main);
}

// The main window, shown, after a successful login; nullptr when the login failed (already reported)
// or the program has been ended.
QWidget* fload::ConnectAndShowMain() {
    llogin_->setEnabled(false);
    floadtxt_->showBusy(QStringLiteral("正在连接数据库，请稍候"));
    lastError_.clear();

    DataAddress.clear();
    Try([] { db::NewDbObjects(); });
    Try([this] { LoadStoredAddress(); });
    Yield();
    if (!IsUsablePayload(DataAddress)) Try([this] { getdatadownload(); });
    if (!IsUsablePayload(DataAddress)) {
        ReportLoginFailure();
        return nullptr;
    }

    const int index = networkIndex();
    if (!OpenChosenVariant(index)) {
        // The stored address may be out of date: one fresh fetch, one more attempt.
        Try([this] { getdatadownload(); });
        if (!IsUsablePayload(DataAddress) || !OpenChosenVariant(index)) {
            ReportLoginFailure();
            return nullptr;
        }
    }

    Try([this, index] { RecordNetwork(index); });

    QWidget* main = nullptr;
    Try([&main] { main = Factory() ? Factory()() : new search::Fdomain(); });
    if (!main) {
        ReportLoginFailure();
        return nullptr;
    }
    main_ = main;
    if (!fdataForm().Form_Load(main)) return nullptr;  // the program has been ended

    main->show();
    main->raise();
    main->activateWindow();
    Yield();
    if (auto* mainStrip = main->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"))) mainStrip->hide();
    Yield();
    return main;
}

bool fload::OpenChosenVariant(int index) {
    db::ConnString = ChooseVariant(DataAddress, index);
    const IndexBuildDisplay display(floadtxt_);
    Try([] {
        if (db::DbConn().isOpen()) db::DbConn().close();
        db::DbConn().open(db::ConnString, QString(), QString());
    });
    bool open = false;
    Try([&open] { open = db::DbConn().isOpen(); });
    return open;
}

void fload::RecordNetwork(int index) {
    StoredAddressRecord record = ReadStoredRecord(settingsFile_, config().codePage);
    record.field(kNetworkField) = index == 0 ? QStringLiteral("dx") : QStringLiteral("lt");
    WriteStoredRecord(settingsFile_, record, config().codePage);
    record_ = record;
}

void fload::ReportLoginFailure() {
    ui::desktop().message(this, QStringLiteral("登录初始化出错，请稍后重试，或联系管理员：") + config().adminContact +
                                    QStringLiteral("：") + lastError_);
}

void fload::getdatadownload() {
    floadtxt_->showBusy(QStringLiteral("原始数据库地址更新，正在重新获取数据库地址，请稍候"));
    const QString answer = net::GetBody(
        config().addressServiceUrl + QStringLiteral("/geturl/dataurl.asp?checkin=") + config().checkinToken,
        QStringLiteral("gb2312"));
    Yield();
    if (answer.contains(QStringLiteral("|data|"))) StoreAddress(answer);
}

void fload::StoreAddress(const QString& answer) {
    const StoredAddress stored = StoreAnswer(settingsFile_, answer, config().codePage);
    record_ = stored.record;
    DataAddress = stored.payload;
}

void fload::LoadStoredAddress() {
    floadtxt_->showBusy(QStringLiteral("正在读取数据库地址，请稍候"));
    record_ = ReadStoredRecord(settingsFile_, config().codePage);
    DecodeAddress(JoinedSegments(record_));
}

void fload::DecodeAddress(const QString& numbers) { DataAddress = DecodeNumbers(numbers, config().codePage); }

}  // namespace ds::startup
