// Set_Skin on the real windows (offscreen), and the frame driven by mouse events: caption buttons act
// on release, the caption drags and the edges resize (the offscreen platform refuses its own moves, so
// the window follows the pointer itself), the sizing cursors, the tag colours and Skin=0.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <QWindow>
#include <functional>
#include <memory>

#include "core/config.h"
#include "search/fdomain.h"
#include "skin/form_skins.h"
#include "skin/qt_windows.h"
#include "skin/skinned_frame.h"
#include "startup/fload.h"
#include "support/test_support.h"
#include "tools/fback.h"
#include "tools/fip.h"
#include "tools/fwhois.h"

namespace ds::skin::test {
namespace {

using ds::test::WaitFor;

void Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}
void Press(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
void Drag(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
void Hover(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
void Release(QWidget& w, QPoint at) { Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
void Click(QWidget& w, QPoint at) {
    Press(w, at);
    Release(w, at);
}

QPoint Centre(const WinRect& r) { return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// Shows the window and waits until it has painted its frame once.
void ShowAndPaint(QWidget& w) {
    w.show();
    ASSERT_TRUE(WaitFor([&] { return w.windowHandle() && w.windowHandle()->isExposed(); }));
    w.repaint();
    QCoreApplication::processEvents();
}

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override { SetConfig(Config()); }
    void TearDown() override { SetConfig(Config()); }
    ds::test::DesktopScope desktop;
    ds::test::TempCwd cwd;
};

struct Form {
    const char* name;
    std::function<QWidget*()> make;
};

class EachForm : public SkinTest, public ::testing::WithParamInterface<Form> {};

TEST_P(EachForm, SkinnedFrameAndAFreshFrameObjectOnEveryCall) {
    std::unique_ptr<QWidget> form(GetParam().make());
    ASSERT_EQ(form->objectName(), QString::fromLatin1(GetParam().name));
    Set_Skin(*form);
    ShowAndPaint(*form);

    QPointer<cNeoClass> first = FrameOf(*form);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->window(), IdOf(form.get()));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->contentsMargins(), QMargins(6, 32, 6, 6));
    EXPECT_EQ(form->contentsRect().topLeft(), QPoint(6, 32));
    for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible() && !child->isWindow()) {
            EXPECT_TRUE(form->contentsRect().contains(child->geometry())) << child->objectName().toStdString();
        }
    }

    // Painted through the window: the left edge's first cell and the close button's image.
    const QImage shot = form->grab().toImage();
    const QImage borders = picResource(7), caption = picResource(6);
    EXPECT_EQ(shot.pixel(2, 40), borders.pixel(2, (40 - 32) % 6));
    const WinRect close = first->buttons().rect[Close];
    EXPECT_EQ(close.right, form->width() - 8);
    EXPECT_EQ(shot.pixel(close.left + 10, close.top + 5), caption.pixel(350 + 10, 5));
    // The caption says which window this is, after the program's name in the picture.
    const QRect captionText(kCaptionTitleX, 0, 80, 32);
    form->setWindowTitle(u"另一个窗口"_qs);
    QCoreApplication::processEvents();
    EXPECT_NE(form->grab().toImage().copy(captionText), shot.copy(captionText)) << "its own title, not the picture's";

    const QSize size = form->size();
    Set_Skin(*form);
    QCoreApplication::processEvents();
    cNeoClass* second = FrameOf(*form);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(first.isNull()) << "the first frame object is gone";
    EXPECT_EQ(form->findChildren<cNeoClass*>().size(), 1);
    EXPECT_EQ(second->window(), IdOf(form.get()));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint) << "never the system frame in between";
    EXPECT_EQ(form->size(), size) << "the frame is not added twice";
    EXPECT_EQ(form->contentsMargins(), QMargins(6, 32, 6, 6));
    Hover(*form, QPoint(form->width() / 2, 15));
    EXPECT_EQ(second->lastHitTest(), HTCAPTION) << "the new frame answers";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EachForm,
    ::testing::Values(Form{"Fdomain", [] { return static_cast<QWidget*>(new search::Fdomain); }},
                      Form{"fload", [] { return static_cast<QWidget*>(new startup::fload); }},
                      Form{"fback", [] { return static_cast<QWidget*>(new tools::fback); }},
                      Form{"Fwhois", [] { return static_cast<QWidget*>(new tools::Fwhois); }},
                      Form{"Fip", [] { return static_cast<QWidget*>(new tools::Fip); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinTest, TheClientKeepsTheSizeTheWindowAskedFor) {
    tools::Fwhois asked;  // asks for 760 × 560
    Set_Skin(asked);
    EXPECT_EQ(asked.size(), QSize(760 + 12, 560 + 38));
    EXPECT_EQ(asked.contentsRect().size(), QSize(760, 560));

    // A window that placed itself (or restored a remembered geometry) keeps its outer size.
    tools::Fwhois placed;
    placed.move(40, 40);
    Set_Skin(placed);
    EXPECT_EQ(placed.size(), QSize(760, 560));

    // Without a frame object the window gets its system frame and its size back.
    ShowAndPaint(asked);
    EXPECT_EQ(asked.size(), QSize(760 + 12, 560 + 38));
    delete FrameOf(asked);
    ASSERT_TRUE(WaitFor([&] { return !(asked.windowFlags() & Qt::FramelessWindowHint); }));
    EXPECT_EQ(asked.contentsMargins(), QMargins());
    EXPECT_EQ(asked.size(), QSize(760, 560));
}

TEST_F(SkinTest, CloseButtonPressesAndActsOnRelease) {
    QWidget w;
    w.resize(500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    cNeoClass* frame = FrameOf(w);
    const QPoint close = Centre(frame->buttons().rect[Close]);

    Press(w, close);
    EXPECT_TRUE(frame->pressed()[Close]);
    w.repaint();
    EXPECT_EQ(w.grab().toImage().pixel(close.x() - 5, close.y()),
              picResource(6).pixel(350 + close.x() - 5 - frame->buttons().rect[Close].left, 16 + close.y() - 6))
        << "drawn pressed";
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible()) << "nothing happens before the release";
    Release(w, close);
    EXPECT_FALSE(frame->pressed()[Close]);
    EXPECT_TRUE(WaitFor([&] { return !w.isVisible(); }));
}

// A press in the content (which no child took) released over the close button closes nothing.
TEST_F(SkinTest, ReleaseOverAButtonAfterAPressInTheContentDoesNothing) {
    QWidget w;
    w.resize(500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    const QPoint close = Centre(FrameOf(w)->buttons().rect[Close]);
    Press(w, QPoint(250, 150));
    Drag(w, close);
    Release(w, close);
    EXPECT_FALSE(WaitFor([&] { return !w.isVisible(); }, 300)) << "the window was closed";
}

TEST_F(SkinTest, MaximizeRestoreAndMinimizeButtons) {
    QWidget w;
    w.resize(500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    cNeoClass* frame = FrameOf(w);
    Click(w, Centre(frame->buttons().rect[Maximize]));
    ASSERT_TRUE(WaitFor([&] { return w.isMaximized(); }));
    w.repaint();
    const WinRect restore = frame->buttons().rect[Maximize];
    EXPECT_EQ(w.grab().toImage().pixel(restore.left + 3, restore.top + 3), picResource(6).pixel(382 + 3, 3))
        << "restore image while maximized";
    Hover(w, QPoint(2, w.height() / 2));
    EXPECT_EQ(frame->lastHitTest(), HTCLIENT) << "no sizing edge while maximized";

    // Maximized there is no drag: a press on the caption released over a button acts on the button.
    Press(w, QPoint(300, 15));
    EXPECT_FALSE(QtWindowSystem::instance().FollowingPointer(IdOf(&w)));
    Drag(w, Centre(restore));
    Release(w, Centre(restore));
    ASSERT_TRUE(WaitFor([&] { return !w.isMaximized(); }));

    Click(w, Centre(frame->buttons().rect[Minimize]));
    EXPECT_TRUE(WaitFor([&] { return w.isMinimized(); }));
}

TEST_F(SkinTest, CaptionDragsAndEdgesResizeWhenThePlatformLeavesItToTheWindow) {
    QWidget w;
    w.setGeometry(100, 100, 500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    const QPoint start = w.pos();

    Press(w, QPoint(300, 15));
    EXPECT_TRUE(QtWindowSystem::instance().FollowingPointer(IdOf(&w)));
    Mouse(w, QEvent::MouseMove, QPoint(300, 15), Qt::NoButton, Qt::LeftButton);
    // The pointer moves 40 right and 25 down on the screen.
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 15), w.mapToGlobal(QPointF(300, 15)) + QPointF(40, 25),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    EXPECT_EQ(w.pos(), start + QPoint(40, 25));
    Release(w, QPoint(300, 15));
    EXPECT_FALSE(QtWindowSystem::instance().FollowingPointer(IdOf(&w)));

    const QSize size = w.size();
    const QPoint grip(w.width() - 2, w.height() - 2);
    Press(w, grip);
    QMouseEvent grow(QEvent::MouseMove, QPointF(grip), w.mapToGlobal(QPointF(grip)) + QPointF(30, 20), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &grow);
    Release(w, grip);
    EXPECT_EQ(w.size(), size + QSize(30, 20));
}

TEST_F(SkinTest, SizingCursorsOverTheEdgesOnly) {
    QWidget w;
    w.setGeometry(100, 100, 500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    struct Case {
        QPoint at;
        Qt::CursorShape shape;
    };
    for (const Case& c : {Case{{2, 150}, Qt::SizeHorCursor}, Case{{250, 2}, Qt::SizeVerCursor},
                          Case{{498, 298}, Qt::SizeFDiagCursor}, Case{{498, 2}, Qt::SizeBDiagCursor},
                          Case{{250, 15}, Qt::ArrowCursor}, Case{{250, 150}, Qt::ArrowCursor}}) {
        Hover(w, c.at);
        EXPECT_EQ(w.windowHandle()->cursor().shape(), c.shape) << c.at.x() << "," << c.at.y();
    }
    // Over a child beside the edge (a menu bar) Qt shows the child's cursor; back on the edge, the sizing
    // cursor returns.
    Hover(w, QPoint(2, 150));
    w.windowHandle()->setCursor(Qt::ArrowCursor);
    Hover(w, QPoint(3, 150));
    EXPECT_EQ(w.windowHandle()->cursor().shape(), Qt::SizeHorCursor);
}

TEST_F(SkinTest, DoubleClickOnTheCaptionMaximizesAndRestores) {
    QWidget w;
    w.resize(500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    const QPoint caption(300, 15);
    Mouse(w, QEvent::MouseButtonDblClick, caption, Qt::LeftButton, Qt::LeftButton);
    Release(w, caption);
    ASSERT_TRUE(WaitFor([&] { return w.isMaximized(); }));
    Mouse(w, QEvent::MouseButtonDblClick, caption, Qt::LeftButton, Qt::LeftButton);
    Release(w, caption);
    EXPECT_TRUE(WaitFor([&] { return !w.isMaximized(); }));
}

TEST_F(SkinTest, TheSystemMenuZoneOpensTheWindowMenu) {
    QWidget w;
    w.setGeometry(100, 100, 500, 300);
    Set_Skin(w);
    ShowAndPaint(w);
    Click(w, QPoint(15, 15));
    QMenu* menu = w.findChild<QMenu*>(QStringLiteral("systemMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList enabled;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled()) enabled << a->text();
    EXPECT_EQ(enabled, (QStringList{QStringLiteral("最小化(&N)"), QStringLiteral("最大化(&X)"), QStringLiteral("关闭(&C)")}));
    menu->actions().at(2)->trigger();  // 最大化
    EXPECT_TRUE(WaitFor([&] { return w.isMaximized(); }));
    menu->close();
}

TEST_F(SkinTest, TheMainWindowsMenuStaysUnderTheCaption) {
    search::Fdomain form;
    Set_Skin(form);
    ShowAndPaint(form);
    auto* bar = form.findChild<QMenuBar*>(QStringLiteral("menubar"));
    ASSERT_NE(bar, nullptr);
    for (int x : {10, 100, 300}) Hover(form, QPoint(x, 20));
    Hover(form, bar->geometry().center());
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().topLeft(), QPoint(6, 32));
    EXPECT_FALSE(bar->actions().isEmpty());
}

TEST_F(SkinTest, FormSkinsFollowTheWindowsByNameAndTheSkinSetting) {
    InstallFormSkins();
    tools::Fwhois whois;
    ShowAndPaint(whois);
    EXPECT_NE(FrameOf(whois), nullptr) << "skinned at its first polish";
    QWidget other;
    other.setObjectName(QStringLiteral("flist_back"));
    ShowAndPaint(other);
    EXPECT_EQ(FrameOf(other), nullptr) << "only the five windows are skinned";

    Config off;
    off.skin = false;
    SetConfig(off);
    QWidget plain;
    auto* tagged = new QLabel(QStringLiteral("x"), &plain);
    tagged->setProperty("Tag", QStringLiteral("xb"));
    Set_Skin(plain);
    EXPECT_EQ(FrameOf(plain), nullptr);
    EXPECT_FALSE(plain.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(tagged->palette().color(QPalette::WindowText), QColor(61, 80, 142)) << "the colours still apply";
    tools::fback filing;
    ShowAndPaint(filing);
    EXPECT_EQ(FrameOf(filing), nullptr);
}

TEST_F(SkinTest, TagColours) {
    EXPECT_EQ(ColourFromStored(kTagForeground), QColor(61, 80, 142));
    EXPECT_EQ(ColourFromStored(kTagBackgroundXb), QColor(243, 244, 248));
    EXPECT_EQ(StoredFromColour(QColor(255, 0, 0)), 255u);
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    struct Case {
        const char* tag;
        QColor fore, back;
    };
    const QColor plainFore = form.palette().color(QPalette::WindowText);
    const QColor plainBack = form.palette().color(QPalette::Window);
    const Case cases[] = {
        {"xb", QColor(61, 80, 142), QColor(243, 244, 248)},
        {"xa", QColor(61, 80, 142), QColor(255, 255, 255)},
        {"XB", plainFore, plainBack},
        {"", plainFore, plainBack},
    };
    std::vector<QLabel*> labels;
    for (const Case& c : cases) {
        auto* label = new QLabel(QString::fromLatin1(c.tag), &form);
        if (*c.tag) label->setProperty("Tag", QString::fromLatin1(c.tag));
        layout->addWidget(label);
        labels.push_back(label);
    }
    ApplyTagColours(form);
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i]->palette().color(QPalette::WindowText), cases[i].fore) << cases[i].tag;
        EXPECT_EQ(labels[i]->palette().color(QPalette::Window), cases[i].back) << cases[i].tag;
    }
}

TEST_F(SkinTest, AWindowDestroyedWithItsFrameLeavesNothingBehind) {
    auto* w = new QWidget;
    w->resize(300, 200);
    Set_Skin(*w);
    ShowAndPaint(*w);
    const WindowId id = IdOf(w);
    EXPECT_NE(QtWindowSystem::instance().GetProp(id, GSubclass::WindowCountKey(id)), 0);
    delete w;
    EXPECT_FALSE(QtWindowSystem::instance().IsWindow(id));
    EXPECT_EQ(QtWindowSystem::instance().GetProp(id, GSubclass::WindowCountKey(id)), 0);
    QCoreApplication::processEvents();  // the deferred frame restore must not touch the dead window
}

}  // namespace
}  // namespace ds::skin::test
