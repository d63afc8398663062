#include "search/help_window.h"

#include <QPushButton>
#include <QScreen>
#include <QKeyEvent>
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

// Esc reaches here from the text, which has no use for it.
void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::showOnScreenOf(QWidget* owner) {
    const QScreen* screen = owner && owner->screen() ? owner->screen() : this->screen();
    if (screen) {
        const QRect free = screen->availableGeometry();
        // Room for a title bar and borders, which are not known before the window is first shown.
        QSize frame = frameGeometry().size() - size();
        if (frame.isEmpty()) frame = QSize(8, 32);
        resize(size().boundedTo(free.size() - frame));
        const QSize outer = size() + frame;
        // Beside the owner's left edge when there is room, and never past the screen's edges.
        QPoint at = owner ? owner->frameGeometry().topLeft() + QPoint(40, 40) : free.topLeft();
        at.setX(qBound(free.left(), at.x(), qMax(free.left(), free.right() + 1 - outer.width())));
        at.setY(qBound(free.top(), at.y(), qMax(free.top(), free.bottom() + 1 - outer.height())));
        move(at);
    }
    show();
    raise();
    activateWindow();
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
        "<p><b>5. 表格操作</b><br>"
        "双击“域名地址”列打开域名IP互查，双击“注册状态”列打开WHOIS查询，双击“备案号”列打开备案查询；"
        "双击其他数据列会把该域名复制到剪贴板，并打开域名注册页面。双击左侧两列不执行任何操作。"
        "单击列标题按该列排序（数字按大小、日期按先后），再次单击反向排序，勾选和查询结果随行移动。"
        "Ctrl+C 复制所选单元格（以制表符分隔，可直接粘贴到电子表格）；右键菜单可“复制域名”或“复制所选行”。"
        "单击左侧首列选中整行。新增的空行可直接输入，或按 F2、双击单元格编辑。</p>"
        "<p><b>6. 进度与结果</b><br>"
        "读取数据和即时查询时，窗口底部的进度条显示已完成的数量（如 12 / 200）；查询结束后，"
        "左下角显示本次查询的结果统计。检索结果达到“最多显示”的条数时，分页栏注明“已达最多显示数”，"
        "可能还有更多符合条件的域名。</p>"
        "<p><b>7. 统计</b><br>"
        "“软件相关信息”页的“点击查看”显示数据库中的域名数量；修改门槛值后再次点击只重新读取改动的项目。</p>"
        "<p><b>8. 设置的保存</b><br>"
        "退出程序时会保存窗口大小和位置、两个检索页的选项、显示项目、最多显示、每页显示和导出项目，"
        "下次启动时自动恢复。“内容显示设置”页的“恢复默认设置”可将这些设置全部恢复为默认值。</p>"
        "<p><b>9. 退出</b><br>"
        "关闭窗口、菜单“退出”或“退出”按钮都会保存设置后直接结束程序。按 Esc 关闭本帮助窗口。</p>");
}

}  // namespace ds::search
