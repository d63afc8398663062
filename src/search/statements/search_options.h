#pragma once
// The option values of the two search tabs, exactly as their controls hold them: radio choices as
// small numbers, check boxes as 0/1 values, edit boxes as their raw text, date pickers as dates. The
// statement builders read texts as numbers themselves, so a form and a test give the same statement.
#include <QDate>
#include <QList>
#include <QString>
#include <array>

namespace ds::search {

// One extension check box: its plain caption (".com") and its value.
struct ExtensionBox {
    QString caption;
    int checked = 0;
};

// Which radio button of a three-button group is selected, in the groups' button order.
enum StateChoice { StateAll = 0, StateExpired = 1, StateExpiring = 2 };     // lreg1..3 / slreg1..3
enum HolderChoice { HolderAll = 0, HolderPerson = 1, HolderCompany = 2 };  // lkind1..3

// The extension captions of lextendnum(0..14) / slextendnum(0..14), in index order.
QList<ExtensionBox> DefaultExtensionBoxes();

// The tab "过期备案域名检索".
struct FiledSearchOptions {
    int state = StateAll;              // lreg1 / lreg2 / lreg3
    int holderKind = HolderAll;        // lkind1 / lkind2 / lkind3
    int lengthAll = 1;                 // lnum3
    QString lengthFrom = QStringLiteral("1");   // lnum1
    QString lengthTo = QStringLiteral("10");    // lnum2
    int filingDateAll = 1;             // ltime3
    QDate filingFrom, filingTo;        // ltime1, ltime2
    QString keyword;                   // lfind, as typed
    int keywordLeft = 0;               // lcodent(0) 左包含
    int keywordRight = 0;              // lcodent(1) 右包含
    std::array<int, 4> metrics{};      // lnormal(0..3)
    std::array<int, 4> compose{1, 1, 1, 1};  // lcomposenum1..4: 字母, 数字, 中划线, 中文
    int extensionAll = 1;              // lextendnum1 全部
    QList<ExtensionBox> extensions = DefaultExtensionBoxes();  // lextendnum(0..14)
    std::array<int, 10> sortKeys{};    // lordernum(0..9)
    QString rowLimit = QStringLiteral("2000");  // lmaxnum

    // The values the window's controls start with. The member initialisers hold the same values
    // except the dates, which Defaults() sets to today (ds::clock()).
    static FiledSearchOptions Defaults();
};

// The tab "过期域名综合检索".
struct ExpiredSearchOptions {
    int lengthAll = 1;                 // slnum3
    QString lengthFrom = QStringLiteral("1");   // slnum1
    QString lengthTo = QStringLiteral("10");    // slnum2
    QString keyword;                   // slfind, as typed
    int keywordLeft = 1;               // slcodent(0) 左包含
    int keywordRight = 1;              // slcodent(1) 右包含
    QString minPageRank = QStringLiteral("0");      // stxtUpDown1 PR值大于
    QString minBaiduIndexed = QStringLiteral("0");  // stxtUpDown2 百度收录大于
    QString maxAlexa = QStringLiteral("0");         // stxtUpDown3 ALEXA小于 (0: no limit)
    QString minBaiduLinks = QStringLiteral("0");    // stxtUpDown4 百度外链大于
    std::array<int, 4> compose{1, 1, 1, 1};  // slcomposenum1..4
    int deletionDateAll = 1;           // sltime3
    QDate deletionFrom, deletionTo;    // sltime1, sltime2
    int state = StateAll;              // slreg1 / slreg2 / slreg3
    int extensionAll = 1;              // slextendnum1 全部
    QList<ExtensionBox> extensions = DefaultExtensionBoxes();  // slextendnum(0..14)
    std::array<int, 7> sortKeys{};     // slordernum(0..6)
    QString rowLimit = QStringLiteral("2000");  // lmaxnum (shared with the filed search)

    static ExpiredSearchOptions Defaults();
};

}  // namespace ds::search
