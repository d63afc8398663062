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
    QLabel* plimit = nullptr;        // says when the result holds exactly the search's row limit
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
    // grid's rows, puts it into SearchState::loadedTable (empty for any other statement). A new result
    // starts at its first page.
    void OpenPageQuery();

    enum class Setup {
        Ready,       // the bar is set and the result set sits on the page to show
        Stopped,     // a stop came while the page list filled: the load ends before its first row
        Superseded,  // another load started during a yield and owns the bar and the grid now
    };
    // Sets the paging bar for the open result set and puts the page shown into `lshowpage`. Throws
    // ds::db::DbError when no page result set is open.
    Setup SetupPaging();
    // SetupPaging, then the current page into the grid. Throws ds::db::DbError.
    void LoadGridPage();

    // Each changes `lshowpage` and reloads; a database failure is shown as a message box
    // (PagingFailureText followed by the description) and the grid keeps what it had loaded.
    void pfirst_Click();
    void pbefore_Click();
    void pnext_Click();
    void plast_Click();
    void pgo_Click();

    // The grid now holds rows of another command (an imported or pasted list): a load suspended in a
    // yield ends there without touching the grid or the paging bar again.
    void abandonLoad() { ++generation_; }

private:
    // False when another load took over during a yield.
    bool fillPage(int pageSize, qint64 firstNumber, qint64 rowsOnPage);
    void endLoad();
    void requestPage(const QString& pageText);
    QWidget* dialogParent() const;

    PagingControls c_;
    SearchState& state_;
    std::function<void()> reapplySelection_;
    QString openedTable_;
    qint64 shownPage_ = 1;
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
// The row limit N of a statement that starts "select top N", or -1.
qint64 StatementRowLimit(const QString& sql);

// Beside the row count when the result holds exactly the search's row limit: there may be more rows.
inline constexpr char16_t RowLimitReachedText[] = u"（已达最多显示数）";
// The busy strip while a paging button loads its page.
inline constexpr char16_t PagingBusyText[] = u"正在读取分页数据,请稍候";

}  // namespace ds::search
