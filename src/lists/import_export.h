#pragma once
// The commands of the tab "批量导入、导出域名": a domain list read from a text file into the result grid
// (`lintxt`), empty rows appended to type into (`laddnewrow`), and the ticked rows written to a text or
// comma-separated file (`ltxt`). The rules of lines and files are in list_format.h.
#include <QString>

namespace ds::search {
class Fdomain;
}

namespace ds::lists {

inline constexpr char16_t ImportDialogTitle[] = u"打开";
inline constexpr char16_t ImportDialogFilter[] = u"文本文件(*.txt)";
inline constexpr char16_t ExportDialogTitle[] = u"保存";
inline constexpr char16_t ExportDialogFilter[] = u"文本文件(*.txt);;表格文件(*.csv)";
inline constexpr char16_t ExportSuggestedName[] = u"domain";
inline constexpr char16_t ExportDoneTitle[] = u"成功";

// The reason (the system's description) follows each.
inline constexpr char16_t ImportFailedText[] = u"有错误发生，请重试：";
inline constexpr char16_t ExportFailedText[] = u"有错误发生，请联系管理员：";

// "已导出 N 个域名到" + path + "，是否现在打开？": how many rows the file holds, so an export of fewer rows
// than the user meant to choose shows at once.
QString ExportDoneText(const QString& path, int rows);
// Told instead of writing a file that would hold nothing but its header line.
inline constexpr char16_t ExportNothingChosenText[] = u"没有选中的域名：请先在“选择”列勾选要导出的域名";
// Busy-strip texts with the count so far.
QString ImportProgressText(int linesRead);
QString ExportProgressText(int rowsDone);

// Imported names reach the grid in batches of this many: one model notification and at most one
// repaint per batch instead of per line.
inline constexpr int ImportBatchRows = 2000;

// Each command ignores a press while another of the three is running for the same window: an import
// or export yields between lines, and a second one inside it would interleave its rows with the first.
void lintxt_Click(search::Fdomain& form);
void laddnewrow_Click(search::Fdomain& form);
void ltxt_Click(search::Fdomain& form);

bool IsListCommandRunning(const search::Fdomain& form);

}  // namespace ds::lists
