#pragma once
// The main window: seven tab pages, the result grid and its paging bar, the option boxes of both
// searches, the live checks and the link buttons. Controls carry their names as objectName (control
// arrays as "name(i)"), so the statement readers, the settings load and the tests find them by name.
//
// The window is built in several files: fdomain.cpp (life cycle and closing), fdomain_tab_*.cpp (one
// builder per tab page), fdomain_results.cpp (grid, paging bar, column groups, selection, double-click)
// and fdomain_handlers.cpp (searches, stop buttons, option boxes, value repairs).
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "search/page_loader.h"
#include "search/window_settings.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabWidget;
class QVBoxLayout;

namespace ds::ui {
class BusyStrip;
class GridControl;
class MarkupButton;
class MarkupCheck;
}  // namespace ds::ui

namespace ds::search {

class HelpWindow;

// Shown by every command whose feature this build does not have yet.
inline constexpr char16_t NotYetOpenText[] = u"此功能尚未开放";

class Fdomain : public QWidget {
    Q_OBJECT
public:
    explicit Fdomain(QWidget* parent = nullptr);
    ~Fdomain() override;

    SearchState& state() { return state_; }
    ui::GridControl* grid1() const { return grid1_; }
    PageLoader& pageLoader() { return *loader_; }

    // --- Seams for the features that live outside this window's files -------------------------------
    // The command behind a button or menu entry, by control name ("lregshow(1)", "lintxt", "mhome").
    // A control without one tells the user "此功能尚未开放".
    using Action = std::function<void()>;
    void setAction(const QString& control, Action action);
    void runAction(const QString& control);
    // Hands a domain to a side window by its name ("Fip", "Fwhois", "fback"): show it in front, put the
    // domain into its query box and run the lookup.
    using HandOver = std::function<void(const QString& domain)>;
    void setHandOver(const QString& window, HandOver handOver);
    // Run by every new main window while it is built, before its remembered settings are read: the
    // program's composition root wires the checks, tools and lists in with it.
    static void SetFeatureInstaller(std::function<void(Fdomain&)> installer);
    // Run by ReleaseResources, for objects the window holds for other parts (skin, ping).
    void addReleaseHook(std::function<void()> hook);

    // --- Handlers --------------------------------------------------------------------------------------
    void Form_Load();
    void Form_Activate();
    void Form_Click();
    void ReleaseResources();
    // Closing by any path: ReleaseResources, then the program ends at once.
    void EndProgram();

    void lsearch_Click();
    void slsearch_Click();
    void lstop_Click();
    void slstop_Click();
    void lstop1_Click();

    void lextendnum_Click(int index);
    void lextendnum1_Click();
    void slextendnum_Click(int index);
    void slextendnum1_Click();
    void lshowset_Click(int index);

    void lmaxnum_Change();
    void lsetrow_Change();
    void lnewrowset_Change();

    // Applies the command currently chosen in `lsel` to every data row.
    void lsel_Click();
    void ApplySelection() { lsel_Click(); }

    void lshowdomain_Click();
    // The grid now holds a list that came from no search (the extension list, an import, a paste):
    // nothing may be written back for its rows, and the paging buttons, which still describe the last
    // search, are disabled until the next one, whose pages would replace the list.
    void GridTakenByList();
    // Once such a list is in: the paging bar says "共 N 个导入的域名" until the next search.
    void ShowListCount(int rows);
    // The domain of the row of the grid's active cell (the "current row" of the row commands); empty
    // text when the active cell is on no data row.
    QString CurrentRowDomain() const;
    void grid1_DblClick();
    // The user typed into a cell of `grid1`.
    void grid1_CellEdited(int row, int col);
    void lshowtextbutton_Click();
    void mtext_Click();
    void mabout_Click();

    // Remembered settings (see window_settings.h): read when the window is made, written when the
    // program ends; the restore command puts every remembered control and the window size back to
    // their defaults.
    void saveSettings();
    void restoreDefaults();
    // Keeps the window inside the screen's free area (a remembered geometry may come from a larger one).
    void fitToScreen();

protected:
    static std::function<void(Fdomain&)>& FeatureInstaller();
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // Layout (one builder per tab page, each in its own file).
    void buildMenu(QVBoxLayout* layout);
    QWidget* buildFiledTab();
    QWidget* buildExpiredTab();
    QWidget* buildDisplayTab();
    QWidget* buildToolsTab();
    QWidget* buildListsTab();
    QWidget* buildAboutTab();
    QWidget* buildContactTab();
    QWidget* buildResultArea();
    QWidget* buildPagingBar();
    QWidget* buildStatusRow();
    // The extension boxes of one search tab ("l" or "sl" prefix).
    QGroupBox* buildExtensionGroup(QWidget* parent, const QString& prefix);
    void buildFoldButton();
    // A button whose command comes through setAction.
    ui::MarkupButton* actionButton(QWidget* parent, const QString& name, const QString& caption);
    void wireHandlers();
    void setUpGridCommands();
    void loadSettings();
    // Makes the column widths and the page size follow the remembered boxes.
    void applyRememberedControls();
    void setPagingEnabled(bool enabled);
    void showSearchPaging();

    // The common course of both searches; `build` returns the statement.
    void runSearch(const QString& busyText, const QString& failureText, const std::function<QString()>& build,
                   QWidget* focusAfter);
    void setExtensionExclusive(const QList<ui::MarkupCheck*>& singles, ui::MarkupCheck* all, int index,
                               QWidget* focus);
    void repairEditBoxes();
    void doubleClickOtherColumn(const QString& domain);

    SearchState state_;
    std::unique_ptr<PageLoader> loader_;
    PagingControls paging_;

    QTabWidget* tabcontrolnew_ = nullptr;
    ui::GridControl* grid1_ = nullptr;
    ui::BusyStrip* floadtxt_ = nullptr;
    QLabel* lstr_ = nullptr;
    QLabel* lshowpage_ = nullptr;
    QLineEdit* lfind_ = nullptr;
    QLineEdit* slfind_ = nullptr;
    QLineEdit* lmaxnum_ = nullptr;
    QLineEdit* lsetrow_ = nullptr;
    QLineEdit* lnewrowset_ = nullptr;
    QLineEdit* ldomainpre_ = nullptr;
    QComboBox* lsel_ = nullptr;
    QList<ui::MarkupCheck*> lextendnum_, slextendnum_, lshowset_;
    ui::MarkupCheck* lextendnum1_ = nullptr;
    ui::MarkupCheck* slextendnum1_ = nullptr;
    HelpWindow* help_ = nullptr;
    QLabel* lstatus_ = nullptr;
    ControlSnapshot defaults_;

    bool firstActivated_ = false;
    int firstTab_ = 0;  // the tab page the first activation shows: the one the last run ended on
    bool shownOnce_ = false;
    bool released_ = false;

    QHash<QString, Action> actions_;
    QHash<QString, HandOver> handOvers_;
    std::vector<std::function<void()>> releaseHooks_;
};

}  // namespace ds::search
