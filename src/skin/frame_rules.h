#pragma once
// The skinned frame's rules as plain functions of (window size, style, pointer, state): frame sizes,
// client rectangle, hit test, where each piece of the two pictures goes, the caption buttons and what
// a press and a release on them do. Coordinates are the window's, (0, 0) at its top-left corner, in
// logical pixels; rectangles keep right and bottom outside, as the frame's arithmetic was written.
#include <array>
#include <vector>

namespace ds::skin {

struct WinRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const WinRect&) const = default;
};

// The frame's public properties (the two pictures apart). Set before Attach.
struct FrameSettings {
    bool p_BorderHasInactive = false;
    bool p_ControlHasInactive = false;
    int p_ButtonHeight = 0;
    int p_ButtonWidth = 0;
    bool p_ControlButtonPosition = false;
    int p_ButtonOffsetX = 0;
    int p_ButtonOffsetY = 0;
    int p_LeftEnd = 0;
    int p_ActiveRight = 0;
    int p_RightEnd = 0;
    int p_Offset = 0;
    int p_LeftBorderWidth = 0;
    int p_RightBorderWidth = 0;
    int p_BottomBorderHeight = 0;  // kept for the caller; no rule reads it
    int p_TopBorderHeight = 0;     // kept for the caller; no rule reads it
};

// The platform's standard frame, which the frame starts from before its first size calculation, and
// the caption-bar height hit testing measures the caption zone with. 26 makes the caption zone of a
// 32-pixel strip end exactly where the client area begins.
inline constexpr int SM_CXFRAME = 4;
inline constexpr int SM_CYFRAME = 4;
inline constexpr int SM_CYCAPTION = 26;

// The sizes of the two pictures the rules depend on.
struct PictureSizes {
    int captionWidth = 0, captionHeight = 0;
    int bordersWidth = 0, bordersHeight = 0;
};

// Cell size of the border strip: its height, or half of it when it holds an inactive row.
int CellSize(const FrameSettings& s, const PictureSizes& p);

struct FrameSizes {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const FrameSizes&) const = default;
};
FrameSizes ComputeFrameSizes(const FrameSettings& s, const PictureSizes& p);
// Before the first size calculation: the platform's frame.
FrameSizes ProvisionalFrameSizes();

// The client rectangle for a window at (x, y) of size cx × cy.
WinRect ClientRect(int x, int y, int cx, int cy, const FrameSizes& f);

// WM_NCHITTEST for a pointer at (x, y) relative to a W × H window; `captionBar` is SM_CYCAPTION.
int HitTest(int x, int y, int W, int H, const FrameSizes& f, int captionBar, bool sizable);

// --- painting layout -----------------------------------------------------------------------------------
// One copy from a picture (or a buffer) to a place: source rectangle, destination top-left.
struct Copy {
    int srcX = 0, srcY = 0, width = 0, height = 0;
    int dstX = 0, dstY = 0;
    bool operator==(const Copy&) const = default;
};

struct CaptionLayout {
    Copy left;    // the left piece
    Copy right;   // the right piece
    Copy stretch; // the first tile of the middle; repeated to the right from dstX up to middleEnd
    int middleEnd = 0;
    int rightX = 0;  // x_r
    int rightWidth = 0;  // rw
};
// `xOffset` is 0 for an active window, p_Offset for an inactive one.
CaptionLayout LayoutCaption(int W, const FrameSettings& s, const PictureSizes& p, int xOffset);

enum Button { Close = 0, Maximize = 1, Minimize = 2 };
inline constexpr int kButtonCount = 3;

struct ButtonLayout {
    std::array<bool, kButtonCount> present{};
    std::array<WinRect, kButtonCount> rect{};
};
// Right to left: close (system menu), maximize/restore, minimize, each only when present.
ButtonLayout LayoutButtons(int W, const FrameSettings& s, const PictureSizes& p, const CaptionLayout& caption,
                           bool hasClose, bool hasMaximize, bool hasMinimize);
// Where a button's image is taken from in the caption strip.
Copy ButtonImage(Button b, const WinRect& at, const FrameSettings& s, bool active, bool maximized, bool pressed);

struct EdgeLayout {
    Copy leftCell, rightCell;  // into the edge buffer: cell 0 at (0, 0), cell 4 at (s, 0)
    Copy leftEdge, rightEdge;  // from the edge buffer to the window
};
EdgeLayout LayoutEdges(int W, int H, const FrameSettings& s, const PictureSizes& p, bool active);

struct BottomLayout {
    Copy edge;     // cell 3 at x = 0, doubled to the right until it covers W
    Copy leftCorner;
    Copy rightCorner;  // cell 6 on a sizable window (the grip), else cell 5
    Copy row;      // the finished row, from the buffer to the window
};
BottomLayout LayoutBottom(int W, int H, const FrameSettings& s, const PictureSizes& p, bool active, bool sizable);

// The copies that fill [start, end) of a line by doubling what is already there (first block of
// `filled` units at `start`): each copy takes the filled part and puts it right after itself.
struct Span {
    int from = 0, to = 0, length = 0;
    bool operator==(const Span&) const = default;
};
std::vector<Span> DoublingCopies(int start, int filled, int end);

// --- caption buttons ------------------------------------------------------------------------------------
using Pressed = std::array<bool, kButtonCount>;

// The button whose rectangle holds the pointer, -1 for none.
int ButtonAt(const ButtonLayout& buttons, int x, int y);

struct PressOutcome {
    enum Action { Nothing, Drag, System };
    Action action = Nothing;
    Pressed pressed{};
};
// WM_NCLBUTTONDOWN with the remembered hit-test code. On the caption a press over a button only
// presses it; elsewhere on the caption it drags the window (unless maximized). Any other code presses
// the buttons under the pointer and leaves the zone to the system (sizing, system menu).
PressOutcome OnButtonDown(int hit, int x, int y, const ButtonLayout& buttons, Pressed pressed, bool maximized);

// WM_NCLBUTTONUP: the commands to post, in button order; afterwards no button is pressed. The action
// is decided here: a press that began on the caption and ends over a button acts too.
std::vector<int> OnButtonUp(int x, int y, const ButtonLayout& buttons, const Pressed& pressed, bool maximized);
int CommandFor(Button b, bool maximized);

}  // namespace ds::skin
