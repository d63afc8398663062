#pragma once
// Opens the statement held in `lstr` as the page result set (DbRs2), keeps the paging bar in step and
// fills the grid one page at a time, one DomainRow per database row.
#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace ds::ui {
class BusyStrip;
class GridControl;
}  // namespace ds::ui

namespace ds::search {

// State of the main window that loading reads and writes. Fdomain owns it.
struct SearchState {
    bool StopFlag = true;
    int RowsPerPage = 20;
    // Table the grid's rows were loaded from ("ldomainreg"/"ldomainhis"); empty for rows that came from
    // an import, a paste or typing.
    QString loadedTable;
};

// The controls loading works on (all owned by the main window).
struct PagingControls {
    ui::GridControl* grid1 = nullptr;
    QWidget* Fpage = nullptr;        // the paging bar
    QLabel* pnumber = nullptr;       // total rows
    QLabel* plist = nullptr;         // page size
    QLabel* ppageall = nullptr;      // page count
    QComboBox* ppagelist = nullptr;  // page numbers 1..count, shows the current one
    QLabel* lshowpage = nullptr;     // requested page (hidden value holder)
    QLabel* lstr = nullptr;          // statement of the last search (hidden value holder)
    QPushButton* pfirst = nullptr;
    QPushButton* pbefore = nullptr;
    QPushButton* pnext = nullptr;
    QPushButton* plast = nullptr;
    QPushButton* pgo = nullptr;
    ui::BusyStrip* floadtxt = nullptr;
};

class PageLoader {
public:
    // `reapplySelection` re-applies the selection command chosen in `lsel` after every load.
    PageLoader(PagingControls controls, SearchState& state, std::function<void()> reapplySelection);

    // Opens `lstr` on DbRs2 (the opening rule). Throws ds::db::DbError. Remembers the table the
    // statement reads ("from ldomainreg"/"from ldomainhis"); the next LoadGridPage, when it replaces the
    // grid's rows, puts it into SearchState::loadedTable (empty for any other statement).
    void OpenPageQuery();
    // Throws ds::db::DbError when no page result set is open. False when another load started while the
    // page list was filled (a search or paging click handled during a yield): that load has set up the
    // paging bar and the grid for its own result, and this one must leave them alone.
    bool SetupPaging();
    // SetupPaging, then the current page into the grid. Throws ds::db::DbError.
    void LoadGridPage();

    // Each changes `lshowpage` and reloads; a database failure is shown as a message box
    // (PagingFailureText followed by the description) and the grid keeps what it had loaded.
    void pfirst_Click();
    void pbefore_Click();
    void pnext_Click();
    void plast_Click();
    void pgo_Click();

private:
    // False when another load took over during a yield.
    bool fillPage(int pageSize);
    void requestPage(const QString& pageText);
    QWidget* dialogParent() const;

    PagingControls c_;
    SearchState& state_;
    std::function<void()> reapplySelection_;
    QString openedTable_;
    // Counts the loads begun (queries opened, pages loaded), so a load resumed after a yield can tell
    // that another one ran meanwhile.
    quint64 generation_ = 0;
};

// Message of a paging button whose reload failed; the error's description follows it.
inline constexpr char16_t PagingFailureText[] = u"读取数据出错，请重试：";
// Message of a search whose result has no rows.
inline constexpr char16_t NoResultText[] = u"出错了，没有找到相关资源";

// The domain table a search statement reads ("ldomainreg" or "ldomainhis"), or empty text.
QString StatementTable(const QString& sql);

}  // namespace ds::search
