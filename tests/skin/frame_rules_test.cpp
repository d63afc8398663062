// The frame's rules by table, with the skinned windows' values: client origin (6, 32), right and
// bottom sizes 5, the close button's right edge 8 pixels inside, buttons 33 pixels apart, cells of 6.
#include <gtest/gtest.h>

#include "skin/frame_rules.h"
#include "skin/win_messages.h"
#include "skin_settings.h"

namespace ds::skin::test {
namespace {

const FrameSizes kForm = ComputeFrameSizes(FormSettings(), kPictures);

TEST(FrameRules, SizesAndClientRectangle) {
    EXPECT_EQ(kForm, (FrameSizes{6, 32, 5, 5}));
    // Border widths below 1 fall back to the cell; an inactive row halves the strip's height.
    FrameSettings cells = FormSettings();
    cells.p_LeftBorderWidth = 0;
    cells.p_RightBorderWidth = 0;
    EXPECT_EQ(ComputeFrameSizes(cells, {478, 32, 70, 10}), (FrameSizes{10, 32, 9, 9}));
    cells.p_BorderHasInactive = true;
    EXPECT_EQ(ComputeFrameSizes(cells, {478, 32, 70, 10}), (FrameSizes{5, 32, 4, 4}));
    EXPECT_EQ(ProvisionalFrameSizes(), (FrameSizes{SM_CXFRAME, SM_CYCAPTION + SM_CYFRAME, SM_CXFRAME, SM_CYFRAME}));

    EXPECT_EQ(ClientRect(0, 0, 800, 600, kForm), (WinRect{6, 32, 794, 594}));
    EXPECT_EQ(ClientRect(100, 50, 800, 600, kForm), (WinRect{106, 82, 894, 644}));
}

TEST(FrameRules, HitTestZones) {
    struct Case {
        int x, y;
        int sizable, fixed;
        const char* zone;
    };
    const Case cases[] = {
        {0, 0, HTTOPLEFT, HTCLIENT, "corner"},
        {6, 5, HTTOPLEFT, HTCLIENT, "x <= left size, top band"},
        {6, 6, HTLEFT, HTCLIENT, "the first client column still sizes (x <= left)"},
        {3, 594, HTLEFT, HTCLIENT, "just above the bottom band"},
        {3, 595, HTBOTTOMLEFT, HTCLIENT, "bottom band begins at H - 5"},
        {795, 0, HTTOPRIGHT, HTCLIENT, "right band begins at W - 5"},
        {794, 0, HTTOP, HTCLIENT, "the column before it is the top band"},
        {799, 300, HTRIGHT, HTCLIENT, "right edge"},
        {799, 599, HTBOTTOMRIGHT, HTCLIENT, "grip"},
        {400, 5, HTTOP, HTCLIENT, "top band uses the bottom size"},
        {400, 595, HTBOTTOM, HTCLIENT, "bottom edge"},
        {400, 6, HTCAPTION, HTCAPTION, "caption starts under the top band"},
        {400, 31, HTCAPTION, HTCAPTION, "caption ends at bottom size + caption bar"},
        {400, 32, HTCLIENT, HTCLIENT, "first client row"},
        {26, 20, HTSYSMENU, HTSYSMENU, "system menu zone x <= caption bar"},
        {27, 20, HTCAPTION, HTCAPTION, "right of the system menu zone"},
        {400, 300, HTCLIENT, HTCLIENT, "client"},
        {-1, 10, HTCLIENT, HTCLIENT, "left of the window"},
        {800, 10, HTCLIENT, HTCLIENT, "right of the window"},
        {10, 600, HTCLIENT, HTCLIENT, "below the window"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HitTest(c.x, c.y, 800, 600, kForm, SM_CYCAPTION, true), c.sizable) << c.zone;
        EXPECT_EQ(HitTest(c.x, c.y, 800, 600, kForm, SM_CYCAPTION, false), c.fixed) << c.zone << " (fixed size)";
    }
}

TEST(FrameRules, CaptionPieces) {
    const FrameSettings s = FormSettings();
    const CaptionLayout c = LayoutCaption(800, s, kPictures, 0);
    EXPECT_EQ(c.left, (Copy{0, 0, 250, 32, 0, 0}));
    EXPECT_EQ(c.rightWidth, 100);
    EXPECT_EQ(c.right, (Copy{251, 0, 100, 32, 701, 0}));
    EXPECT_EQ(c.stretch, (Copy{251, 0, 1, 32, 250, 0}));  // column 251, tiled from 250 up to the right piece
    EXPECT_EQ(c.middleEnd, 701);

    // Narrow: the right piece never starts left of its own width, and there is no middle.
    const CaptionLayout narrow = LayoutCaption(150, s, kPictures, 0);
    EXPECT_EQ(narrow.rightX, 100);
    EXPECT_EQ(narrow.stretch.width, 0);

    // An inactive window takes every piece from its twin at the offset.
    const CaptionLayout inactive = LayoutCaption(800, s, kPictures, 478);
    EXPECT_EQ(inactive.left.srcX, 478);
    EXPECT_EQ(inactive.right.srcX, 251 + 478);
    EXPECT_EQ(inactive.stretch.srcX, 251 + 478);

    FrameSettings noStretch = s;
    noStretch.p_ActiveRight = noStretch.p_LeftEnd;
    EXPECT_EQ(LayoutCaption(800, noStretch, kPictures, 0).stretch.width, 16);
}

TEST(FrameRules, ButtonsRightToLeft) {
    const FrameSettings s = FormSettings();
    const CaptionLayout c = LayoutCaption(800, s, kPictures, 0);
    struct Case {
        bool close, maximize, minimize;
        WinRect closeAt, maximizeAt, minimizeAt;
    };
    const Case cases[] = {
        {true, true, true, {759, 6, 792, 22}, {726, 6, 759, 22}, {693, 6, 726, 22}},
        {true, false, true, {759, 6, 792, 22}, {}, {726, 6, 759, 22}},
        {false, true, true, {}, {759, 6, 792, 22}, {726, 6, 759, 22}},
        {true, false, false, {759, 6, 792, 22}, {}, {}},
    };
    for (const Case& k : cases) {
        const ButtonLayout b = LayoutButtons(800, s, kPictures, c, k.close, k.maximize, k.minimize);
        EXPECT_EQ(b.present, (std::array<bool, 3>{k.close, k.maximize, k.minimize}));
        if (k.close) {
            EXPECT_EQ(b.rect[Close], k.closeAt);
        }
        if (k.maximize) {
            EXPECT_EQ(b.rect[Maximize], k.maximizeAt);
        }
        if (k.minimize) {
            EXPECT_EQ(b.rect[Minimize], k.minimizeAt);
        }
    }
    const ButtonLayout all = LayoutButtons(800, s, kPictures, c, true, true, true);
    EXPECT_EQ(800 - all.rect[Close].right, 8);
    EXPECT_EQ(all.rect[Close].width(), 33);

    // Placed from the right piece: its end, less the border strip's height, plus 4; top 5.
    FrameSettings fromPiece = s;
    fromPiece.p_ControlButtonPosition = false;
    const ButtonLayout b = LayoutButtons(800, fromPiece, kPictures, c, true, false, false);
    EXPECT_EQ(b.rect[Close], (WinRect{701 + 100 - 6 + 4 - 33, 5, 799, 21}));
}

TEST(FrameRules, ButtonImages) {
    FrameSettings s = FormSettings();
    const WinRect at{759, 6, 792, 22};
    struct Case {
        Button button;
        bool active, maximized, pressed;
        int srcX, srcY;
    };
    const Case cases[] = {
        {Close, true, false, false, 350, 0},
        {Close, true, false, true, 350, 16},
        {Maximize, true, false, false, 414, 0},   // maximize image
        {Maximize, true, true, false, 382, 0},    // restore image while maximized
        {Minimize, true, false, true, 446, 16},
        {Close, false, false, false, 350, 0},     // offset 0: inactive buttons look the same
    };
    for (const Case& c : cases) {
        const Copy copy = ButtonImage(c.button, at, s, c.active, c.maximized, c.pressed);
        EXPECT_EQ(copy, (Copy{c.srcX, c.srcY, 32, 16, 759, 6})) << c.button << c.active << c.maximized << c.pressed;
    }
    s.p_Offset = 478;
    EXPECT_EQ(ButtonImage(Close, at, s, false, false, false).srcX, 350 + 478);
    s.p_ControlHasInactive = false;
    EXPECT_EQ(ButtonImage(Close, at, s, false, false, false).srcX, 350);
}

TEST(FrameRules, BorderCells) {
    FrameSettings s = FormSettings();
    const EdgeLayout e = LayoutEdges(800, 600, s, kPictures, true);
    EXPECT_EQ(e.leftCell, (Copy{0, 0, 6, 6, 0, 0}));
    EXPECT_EQ(e.rightCell, (Copy{24, 0, 6, 6, 6, 0}));
    EXPECT_EQ(e.leftEdge, (Copy{0, 0, 6, 568, 0, 32}));
    // Right border width 6: seven columns from the edge buffer's column 5, ending at the window's edge.
    EXPECT_EQ(e.rightEdge, (Copy{5, 0, 7, 568, 793, 32}));
    s.p_RightBorderWidth = 0;
    EXPECT_EQ(LayoutEdges(800, 600, s, kPictures, true).rightEdge, (Copy{6, 0, 6, 568, 794, 32}));

    const BottomLayout sizable = LayoutBottom(800, 600, FormSettings(), kPictures, true, true);
    EXPECT_EQ(sizable.edge, (Copy{18, 0, 6, 6, 0, 0}));
    EXPECT_EQ(sizable.leftCorner, (Copy{12, 0, 6, 6, 0, 0}));
    EXPECT_EQ(sizable.rightCorner, (Copy{36, 0, 6, 6, 794, 0}));  // cell 6, the grip
    EXPECT_EQ(sizable.row, (Copy{0, 0, 801, 6, 0, 594}));
    EXPECT_EQ(LayoutBottom(800, 600, FormSettings(), kPictures, true, false).rightCorner.srcX, 30);  // cell 5

    FrameSettings twoRows = FormSettings();
    twoRows.p_BorderHasInactive = true;
    const PictureSizes tall{478, 32, 42, 12};
    EXPECT_EQ(LayoutEdges(800, 600, twoRows, tall, false).leftCell.srcY, 6);
    EXPECT_EQ(LayoutBottom(800, 600, twoRows, tall, false, true).edge.srcY, 6);
    EXPECT_EQ(LayoutBottom(800, 600, twoRows, tall, true, true).edge.srcY, 0);
}

TEST(FrameRules, DoublingCopiesCoverTheLineInLogarithmicallyManySteps) {
    struct Case {
        int start, filled, end;
        size_t copies;
    };
    for (const Case& c : {Case{250, 1, 701, 9}, Case{0, 6, 600, 7}, Case{0, 6, 6, 0}, Case{0, 6, 7, 1},
                          Case{0, 6, 1600, 9}}) {
        const std::vector<Span> spans = DoublingCopies(c.start, c.filled, c.end);
        EXPECT_EQ(spans.size(), c.copies) << c.end;
        int covered = c.start + c.filled;
        for (const Span& s : spans) {
            EXPECT_EQ(s.from, c.start);
            EXPECT_EQ(s.to, covered);  // each copy lands right after what is filled
            EXPECT_LE(s.length, s.to - s.from);
            covered += s.length;
        }
        EXPECT_EQ(covered, std::max(c.end, c.start + c.filled));
    }
    EXPECT_TRUE(DoublingCopies(0, 0, 100).empty());
}

TEST(FrameRules, PressAndRelease) {
    const FrameSettings s = FormSettings();
    const ButtonLayout all = LayoutButtons(800, s, kPictures, LayoutCaption(800, s, kPictures, 0), true, true, true);
    const Pressed none{};
    struct Press {
        int hit, x, y;
        bool maximized;
        PressOutcome::Action action;
        Pressed pressed;
    };
    const Press presses[] = {
        {HTCAPTION, 300, 15, false, PressOutcome::Drag, none},
        {HTCAPTION, 300, 15, true, PressOutcome::Nothing, none},  // no drag while maximized
        {HTCAPTION, 770, 12, false, PressOutcome::Nothing, {true, false, false}},  // presses close, no drag
        {HTCAPTION, 740, 12, true, PressOutcome::Nothing, {false, true, false}},
        {HTLEFT, 2, 300, false, PressOutcome::System, none},
        {HTSYSMENU, 10, 15, false, PressOutcome::System, none},
    };
    for (const Press& p : presses) {
        const PressOutcome out = OnButtonDown(p.hit, p.x, p.y, all, none, p.maximized);
        EXPECT_EQ(out.action, p.action) << p.hit << " at " << p.x;
        EXPECT_EQ(out.pressed, p.pressed) << p.hit << " at " << p.x;
    }

    struct Release {
        int x, y;
        bool maximized;
        std::vector<int> commands;
        const char* what;
    };
    const Release releases[] = {
        {770, 12, false, {SC_CLOSE}, "press on the caption, release over close: decided on release"},
        {740, 12, false, {SC_MAXIMIZE}, "maximize"},
        {740, 12, true, {SC_RESTORE}, "restore while maximized"},
        {700, 12, false, {SC_MINIMIZE}, "minimize"},
        {791, 12, false, {SC_CLOSE}, "the undrawn 33rd column still belongs to the button"},
        {792, 12, false, {}, "the right edge is outside"},
        {770, 22, false, {}, "below the buttons"},
        {300, 15, false, {}, "caption"},
    };
    for (const Release& r : releases) EXPECT_EQ(OnButtonUp(r.x, r.y, all, none, r.maximized), r.commands) << r.what;

    // Without a maximize box the minimize button moves into its place.
    const ButtonLayout noMax = LayoutButtons(800, s, kPictures, LayoutCaption(800, s, kPictures, 0), true, false, true);
    EXPECT_EQ(OnButtonUp(740, 12, noMax, none, false), std::vector<int>{SC_MINIMIZE});
    EXPECT_EQ(OnButtonUp(700, 12, noMax, none, false), std::vector<int>{});
}

}  // namespace
}  // namespace ds::skin::test
