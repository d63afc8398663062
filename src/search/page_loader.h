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

    // Opens `lstr` on DbRs2 (the opening rule). Throws ds::db::DbError.
    void OpenPageQuery();
    void SetupPaging();
    // SetupPaging, then the current page into the grid. Throws ds::db::DbError.
    void LoadGridPage();

    void pfirst_Click();
    void pbefore_Click();
    void pnext_Click();
    void plast_Click();
    void pgo_Click();

private:
    PagingControls c_;
    SearchState& state_;
    std::function<void()> reapplySelection_;
};

}  // namespace ds::search
