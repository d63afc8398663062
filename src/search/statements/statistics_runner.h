#pragma once
// The button 点击查看 of the panel "收录信息" (lshowtextbutton_Click): fetches the counts the panel
// still lacks or whose thresholds changed, on the shared recordset, and writes them into the labels.
class QWidget;

namespace ds::search {

// Reads lshowtext(i), txtUpDown(i) and lshowtextbak(i) under `fdomain`, shows progress on floadtxt.
// A failing count ends the command with the message "统计数据读取出错，请重试：" and the error's
// description; the counts fetched before it stay, and the failed one is tried again on the next press.
void RunStatistics(QWidget* fdomain);

}  // namespace ds::search
