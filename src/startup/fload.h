#pragma once
// The start-up window: the user picks the network variant and presses 开始登录; the window finds the
// database address (stored in set.dat or fetched from the address service), opens the shared
// connection, loads the operator settings and hands over to the main window.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

#include "startup/stored_address.h"

class QGroupBox;
class QPushButton;

namespace ds::ui {
class BusyStrip;
class MarkupButton;
class MarkupRadio;
}  // namespace ds::ui

namespace ds::startup {

class fload : public QWidget {
    Q_OBJECT
public:
    explicit fload(QWidget* parent = nullptr);
    ~fload() override;

    // Makes the main window after a successful connection (a new Fdomain unless replaced, e.g. by tests).
    using MainWindowFactory = std::function<QWidget*()>;
    static void SetMainWindowFactory(MainWindowFactory factory);

    // The whole address payload, both variants joined by "^".
    QString DataAddress;

    void Form_Load();
    void Form_Activate();
    void Form_KeyDown(int keyCode, int shift);
    void lquit_Click();
    void llogin_Click();

    void getdatadownload();
    void StoreAddress(const QString& answer);
    void LoadStoredAddress();
    void DecodeAddress(const QString& numbers);

    // 0 for lnet(0), 1 for lnet(1).
    int networkIndex() const;
    // The main window made by the last successful login.
    QWidget* mainWindow() const { return main_; }
    QString lastErrorDescription() const { return lastError_; }

signals:
    // After the main window is shown and this window has closed.
    void loggedIn(QWidget* mainWindow);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    template <typename Step>
    bool Try(Step step);
    QWidget* ConnectAndShowMain();
    bool OpenChosenVariant(int index);
    void RecordNetwork(int index);
    void ReportLoginFailure();

    QString settingsFile_;
    bool activated_ = false;
    bool loginRunning_ = false;
    StoredAddressRecord record_;
    QString lastError_;
    QPointer<QWidget> main_;

    ui::BusyStrip* floadtxt_ = nullptr;
    QGroupBox* GroupBox24_ = nullptr;
    ui::MarkupRadio* lnet_[2] = {nullptr, nullptr};
    ui::MarkupButton* llogin_ = nullptr;
    ui::MarkupButton* lquit_ = nullptr;
};

}  // namespace ds::startup
