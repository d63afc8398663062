#include "search/help_window.h"

#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace ds::search {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("fhelp"));
    setWindowTitle(QStringLiteral("帮助内容"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("lhelptext"));
    text->setOpenLinks(false);
    text->setHtml(GuideHtml());
    layout->addWidget(text);
    auto* close = new QPushButton(QStringLiteral("关  闭"), this);
    close->setObjectName(QStringLiteral("lclose"));
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(560, 520);
}

QString HelpWindow::GuideHtml() {
    return QStringLiteral(
        "<h3>DropScout 过期域名助手 使用说明</h3>"
        "<p><b>1. 检索</b><br>"
        "在“过期备案域名检索”页设置注册状态、登记性质、构成、备案时间、前缀字数、收录含有、后缀和排序，"
        "输入关键字后按“搜索”或回车。关键字中的空格会被忽略；勾选“左包含”表示以关键字开头，"
        "“右包含”表示以关键字结尾，两者都勾选为完全匹配。</p>"
        "<p>“过期域名综合检索”页检索全部过期域名，可设置删除时间和收录要求（0为不要求）。</p>"
        "<p><b>2. 结果与分页</b><br>"
        "结果显示在下方表格中，“内容显示设置”页的“最多显示”限制一次检索的条数，“每页显示”决定每页行数。"
        "用分页栏的首页、上一页、下一页、尾页或选择页码后按 Go 翻页。读取过程中可按“停止”。</p>"
        "<p><b>3. 选择</b><br>"
        "表格左侧的“选择”列可逐行勾选；选择框中的命令（全选、全不选、选择未注册域名、"
        "选择将过期域名、选择已备案域名）会应用到当前页，并在每次翻页和查询后重新应用。</p>"
        "<p><b>4. 显示项目</b><br>"
        "“显示项目”中的备案信息、注册信息、收录信息可隐藏或显示对应的表格列。</p>"
        "<p><b>5. 双击表格</b><br>"
        "双击域名以外的列会把该域名复制到剪贴板，并打开域名注册页面。</p>"
        "<p><b>6. 统计</b><br>"
        "“软件相关信息”页的“点击查看”显示数据库中的域名数量；修改门槛值后再次点击只重新读取改动的项目。</p>"
        "<p><b>7. 退出</b><br>"
        "关闭窗口、菜单“退出”或“退出”按钮都会直接结束程序，不保存任何设置。</p>");
}

}  // namespace ds::search
