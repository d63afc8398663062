// The frame painted into an image and read back by pixel. The test pictures say where each pixel came
// from: a caption pixel holds its column and row, a border pixel its column and row in the strip.
#include <gtest/gtest.h>

#include <QPainter>
#include <set>

#include "skin/frame_painter.h"
#include "skin_settings.h"

namespace ds::skin::test {
namespace {

using namespace Qt::StringLiterals;

constexpr QRgb kUntouched = 0xFF123456;

QRgb CaptionPixel(int x, int y) { return qRgb(x & 0xFF, (x >> 8) * 64 + y, 0x80); }
QRgb BorderPixel(int x, int y) { return qRgb(x, y, 0x40); }

QImage TestCaption() {
    QImage img(478, 32, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, CaptionPixel(x, y));
    return img;
}

QImage TestBorders() {
    QImage img(42, 6, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, BorderPixel(x, y));
    return img;
}

class FramePaint : public ::testing::Test {
protected:
    FramePaint() { painter.setPictures(TestCaption(), TestBorders()); }

    FrameState State(int w, int h) {
        FrameState st;
        st.width = w;
        st.height = h;
        const CaptionLayout c = LayoutCaption(w, settings, kPictures, 0);
        st.buttons = LayoutButtons(w, settings, kPictures, c, true, true, true);
        return st;
    }
    QImage Paint(const FrameState& st, qreal dpr = 1.0) {
        QImage target(int(st.width * dpr), int(st.height * dpr), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(dpr);
        target.fill(kUntouched);
        QPainter p(&target);
        painter.paint(p, settings, st);
        return target;
    }

    FrameSettings settings = FormSettings();
    FramePainter painter;
};

TEST_F(FramePaint, CaptionRowFromItsPieces) {
    const QImage img = Paint(State(800, 600));
    for (int y : {0, 5, 22, 31}) {  // above and below the buttons
        EXPECT_EQ(img.pixel(0, y), CaptionPixel(0, y));
        EXPECT_EQ(img.pixel(249, y), CaptionPixel(249, y)) << "left piece";
        EXPECT_EQ(img.pixel(250, y), CaptionPixel(251, y)) << "stretch column";
        EXPECT_EQ(img.pixel(500, y), CaptionPixel(251, y)) << "stretch column";
        EXPECT_EQ(img.pixel(700, y), CaptionPixel(251, y)) << "last tile";
        EXPECT_EQ(img.pixel(701, y), CaptionPixel(251, y)) << "right piece starts with the stretch column";
        EXPECT_EQ(img.pixel(799, y), CaptionPixel(349, y)) << "right piece, its last column cut off";
    }
    // The buttons, right to left: close at 759, maximize at 726, minimize at 693; 32 drawn of 33.
    for (int j : {0, 15}) {
        EXPECT_EQ(img.pixel(759, 6 + j), CaptionPixel(350, j));
        EXPECT_EQ(img.pixel(790, 6 + j), CaptionPixel(381, j));
        EXPECT_EQ(img.pixel(791, 6 + j), CaptionPixel(251 + 90, 6 + j)) << "the 33rd column is the caption";
        EXPECT_EQ(img.pixel(726, 6 + j), CaptionPixel(414, j)) << "maximize image";
        EXPECT_EQ(img.pixel(693, 6 + j), CaptionPixel(446, j)) << "minimize image";
    }
    EXPECT_EQ(img.pixel(400, 32), kUntouched) << "the client area is the window's own";
    EXPECT_EQ(img.pixel(400, 300), kUntouched);
}

TEST_F(FramePaint, PressedAndMaximizedButtons) {
    FrameState st = State(800, 600);
    st.pressed = {true, false, false};
    st.pointer = QPoint(770, 12);
    EXPECT_EQ(Paint(st).pixel(760, 7), CaptionPixel(351, 17)) << "pressed image under the pointer";
    st.pointer = QPoint(700, 12);
    EXPECT_EQ(Paint(st).pixel(760, 7), CaptionPixel(351, 1)) << "pointer gone: drawn up again";
    st = State(800, 600);
    st.maximized = true;
    EXPECT_EQ(Paint(st).pixel(726, 6), CaptionPixel(382, 0)) << "restore image while maximized";
}

TEST_F(FramePaint, EdgesAndBottomRowFromTheirCells) {
    for (bool sizable : {true, false}) {
        FrameState st = State(800, 600);
        st.sizable = sizable;
        const QImage img = Paint(st);
        for (int y : {32, 37, 38, 300, 593}) {
            const int row = (y - 32) % 6;
            EXPECT_EQ(img.pixel(0, y), BorderPixel(0, row)) << "left edge, cell 0, y " << y;
            EXPECT_EQ(img.pixel(5, y), BorderPixel(5, row));
            EXPECT_EQ(img.pixel(6, y), kUntouched) << "client starts at x 6";
            EXPECT_EQ(img.pixel(793, y), BorderPixel(5, row)) << "right edge starts with cell 0's last column";
            EXPECT_EQ(img.pixel(794, y), BorderPixel(24, row)) << "then cell 4";
            EXPECT_EQ(img.pixel(799, y), BorderPixel(29, row));
        }
        for (int r = 0; r < 6; ++r) {
            EXPECT_EQ(img.pixel(0, 594 + r), BorderPixel(12, r)) << "bottom-left corner, cell 2";
            EXPECT_EQ(img.pixel(6, 594 + r), BorderPixel(18, r)) << "bottom edge, cell 3";
            EXPECT_EQ(img.pixel(400, 594 + r), BorderPixel(18 + 400 % 6, r));
            EXPECT_EQ(img.pixel(799, 594 + r), BorderPixel((sizable ? 36 : 30) + 5, r)) << "grip or fixed corner";
        }
        EXPECT_EQ(img.pixel(400, 593), kUntouched) << "client ends above the bottom row";
    }
}

TEST_F(FramePaint, ActiveAndInactiveLookTheSameWithOffsetZero) {
    FrameState st = State(640, 480);
    const QImage active = Paint(st);
    st.active = false;
    EXPECT_EQ(Paint(st), active);
}

TEST_F(FramePaint, BuffersGrowWithTheWindow) {
    Paint(State(300, 200));
    const QImage big = Paint(State(1600, 1000));
    EXPECT_EQ(big.pixel(1599, 31), CaptionPixel(349, 31));
    EXPECT_EQ(big.pixel(0, 993), BorderPixel(0, (993 - 32) % 6));
    EXPECT_EQ(big.pixel(1599, 999), BorderPixel(41, 5));
    EXPECT_EQ(big.pixel(800, 500), kUntouched);
}

// The picture carries the program's name; each window writes its own caption after it, and never under
// the caption buttons.
TEST_F(FramePaint, EachWindowWritesItsOwnCaptionAfterTheName) {
    const QImage plain = Paint(State(800, 600));
    FrameState st = State(800, 600);
    st.title = u"Whois查询"_s;
    const QImage whois = Paint(st);
    st.title = u"IP地址反查域名"_s;
    const QImage ip = Paint(st);
    st.title = QString(200, u'W');  // far too long for the caption
    const QImage longTitle = Paint(st);

    auto differs = [](const QImage& a, const QImage& b, int x0, int x1) {
        for (int y = 0; y < 32; ++y)
            for (int x = x0; x < x1; ++x)
                if (a.pixel(x, y) != b.pixel(x, y)) return true;
        return false;
    };
    EXPECT_FALSE(differs(whois, plain, 0, kCaptionTitleX)) << "the name in the picture is left alone";
    EXPECT_TRUE(differs(whois, plain, kCaptionTitleX, kCaptionTitleX + 60)) << "the caption is written";
    EXPECT_TRUE(differs(whois, ip, kCaptionTitleX, kCaptionTitleX + 60)) << "each window its own";
    const int firstButton = whois.width() - 8 - 3 * 33;  // minimize, left of maximize and close
    EXPECT_TRUE(differs(longTitle, plain, 600, firstButton - 6));
    EXPECT_FALSE(differs(longTitle, plain, firstButton - 6, 800)) << "the buttons stay clear";
    EXPECT_EQ(whois.pixel(400, 300), kUntouched);

    const struct {
        const char16_t* windowTitle;
        const char16_t* caption;
    } titles[] = {
        {u"DropScout 过期域名助手", u"过期域名助手"}, {u"DropScout 登录", u"登录"}, {u"Whois查询", u"Whois查询"},
        {u"DropScoutX", u"DropScoutX"},  // another word that only starts with the name stays whole
        {u"DropScout", u""},
    };
    for (const auto& t : titles)
        EXPECT_EQ(CaptionTitle(QString::fromUtf16(t.windowTitle)), QString::fromUtf16(t.caption));
}

TEST_F(FramePaint, MissingPicturesPaintNothing) {
    FramePainter none;
    QImage target(100, 100, QImage::Format_ARGB32_Premultiplied);
    target.fill(kUntouched);
    QPainter p(&target);
    none.paint(p, settings, State(100, 100));
    p.end();
    EXPECT_EQ(target.pixel(0, 0), kUntouched);
}

TEST_F(FramePaint, HighDpiKeepsLogicalPlacesAndScalesSmoothly) {
    // Black and white columns in the left piece: smooth scaling shows shades between them.
    QImage caption = TestCaption();
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 250; ++x) caption.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    painter.setPictures(caption, TestBorders());
    const QImage img = Paint(State(400, 300), 2.0);
    EXPECT_EQ(img.size(), QSize(800, 600));
    EXPECT_NE(img.pixel(2 * 200, 2 * 31 + 1), kUntouched) << "caption reaches logical row 31";
    EXPECT_EQ(img.pixel(2 * 200, 2 * 32), kUntouched) << "client begins at logical row 32";
    EXPECT_EQ(img.pixel(2 * 6, 2 * 100), kUntouched) << "and at logical column 6";
    EXPECT_NE(img.pixel(2 * 6 - 1, 2 * 100), kUntouched);
    std::set<int> shades;
    for (int x = 0; x < 200; ++x) shades.insert(qRed(img.pixel(x, 20)));
    EXPECT_GT(shades.size(), 2u) << "scaled smoothly, not pixel-doubled";
}

}  // namespace
}  // namespace ds::skin::test
