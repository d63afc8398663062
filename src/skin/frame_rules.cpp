#include "skin/frame_rules.h"

#include <algorithm>

#include "skin/win_messages.h"

namespace ds::skin {

int CellSize(const FrameSettings& s, const PictureSizes& p) {
    return s.p_BorderHasInactive ? p.bordersHeight / 2 : p.bordersHeight;
}

FrameSizes ComputeFrameSizes(const FrameSettings& s, const PictureSizes& p) {
    const int cell = CellSize(s, p);
    FrameSizes f;
    f.left = s.p_LeftBorderWidth >= 1 ? s.p_LeftBorderWidth : cell;
    f.top = p.captionHeight;
    f.right = (s.p_RightBorderWidth >= 1 ? s.p_RightBorderWidth : cell) - 1;
    f.bottom = cell - 1;
    return f;
}

FrameSizes ProvisionalFrameSizes() { return {SM_CXFRAME, SM_CYCAPTION + SM_CYFRAME, SM_CXFRAME, SM_CYFRAME}; }

WinRect ClientRect(int x, int y, int cx, int cy, const FrameSizes& f) {
    return {x + f.left, y + f.top, x + cx - f.right - 1, y + cy - f.bottom - 1};
}

int HitTest(int x, int y, int W, int H, const FrameSizes& f, int captionBar, bool sizable) {
    if (x < 0 || y < 0 || x >= W || y >= H) return HTCLIENT;
    const int sL = f.left, sR = f.right, sB = f.bottom;  // the top sizing band uses the bottom size
    int code = HTCLIENT;
    if (x <= sL)
        code = y <= sB ? HTTOPLEFT : (y < H - sB ? HTLEFT : HTBOTTOMLEFT);
    else if (x >= W - sR)
        code = y <= sB ? HTTOPRIGHT : (y < H - sB ? HTRIGHT : HTBOTTOMRIGHT);
    else if (y <= sB)
        code = HTTOP;
    else if (y >= H - sB)
        code = HTBOTTOM;
    else if (y <= f.top)
        code = y > sB + captionBar ? HTCLIENT : (x <= captionBar ? HTSYSMENU : HTCAPTION);
    if (!sizable && IsSizingCode(code)) code = HTCLIENT;
    return code;
}

CaptionLayout LayoutCaption(int W, const FrameSettings& s, const PictureSizes& p, int xOffset) {
    CaptionLayout c;
    const int h = p.captionHeight;
    c.left = {xOffset, 0, s.p_LeftEnd, h, 0, 0};
    c.rightWidth = s.p_RightEnd - s.p_ActiveRight + 1;
    c.rightX = std::max(W + s.p_ActiveRight - s.p_RightEnd, c.rightWidth);
    c.right = {s.p_ActiveRight + xOffset, 0, c.rightWidth, h, c.rightX, 0};
    int tile = s.p_ActiveRight - s.p_LeftEnd;
    if (tile < 1) tile = 16;
    c.stretch = {s.p_LeftEnd + xOffset + 1, 0, std::min(tile, std::max(0, c.rightX - s.p_LeftEnd)), h, s.p_LeftEnd, 0};
    c.middleEnd = c.rightX;
    return c;
}

ButtonLayout LayoutButtons(int W, const FrameSettings& s, const PictureSizes& p, const CaptionLayout& caption,
                           bool hasClose, bool hasMaximize, bool hasMinimize) {
    ButtonLayout b;
    b.present = {hasClose, hasMaximize, hasMinimize};
    int e = s.p_ControlButtonPosition ? W + s.p_ButtonOffsetX
                                      : caption.rightX + caption.rightWidth - p.bordersHeight + 4;
    const int top = s.p_ControlButtonPosition ? s.p_ButtonOffsetY : 5;
    for (int i = 0; i < kButtonCount; ++i) {
        if (!b.present[i]) continue;
        b.rect[i] = {e - s.p_ButtonWidth - 1, top, e, top + s.p_ButtonHeight};
        e -= s.p_ButtonWidth + 1;
    }
    return b;
}

Copy ButtonImage(Button b, const WinRect& at, const FrameSettings& s, bool active, bool maximized, bool pressed) {
    const int k = b == Close ? 0 : b == Maximize ? (maximized ? 1 : 2) : 3;
    const int offset = s.p_ControlHasInactive && !active ? s.p_Offset : 0;
    return {s.p_RightEnd + offset + k * s.p_ButtonWidth, pressed ? s.p_ButtonHeight : 0, s.p_ButtonWidth,
            s.p_ButtonHeight, at.left, at.top};
}

namespace {
int BorderRow(const FrameSettings& s, int cell, bool active) {
    return !active && s.p_BorderHasInactive ? cell : 0;
}
}  // namespace

EdgeLayout LayoutEdges(int W, int H, const FrameSettings& s, const PictureSizes& p, bool active) {
    const int cell = CellSize(s, p);
    const int yb = BorderRow(s, cell, active);
    const int top = p.captionHeight;
    const int height = H - top;
    EdgeLayout e;
    e.leftCell = {0, yb, cell, cell, 0, 0};
    e.rightCell = {4 * cell, yb, cell, cell, cell, 0};
    e.leftEdge = {0, 0, s.p_LeftBorderWidth >= 1 ? s.p_LeftBorderWidth : cell, height, 0, top};
    const int rbw = s.p_RightBorderWidth;
    if (rbw < 1)
        e.rightEdge = {cell, 0, cell, height, W - cell, top};
    else
        e.rightEdge = {2 * cell - rbw - 1, 0, rbw + 1, height, W - rbw - 1, top};
    return e;
}

BottomLayout LayoutBottom(int W, int H, const FrameSettings& s, const PictureSizes& p, bool active, bool sizable) {
    const int cell = CellSize(s, p);
    const int yb = BorderRow(s, cell, active);
    BottomLayout b;
    b.edge = {3 * cell, yb, cell, cell, 0, 0};
    b.leftCorner = {2 * cell, yb, cell, cell, 0, 0};
    b.rightCorner = {(sizable ? 6 : 5) * cell, yb, cell, cell, W - cell, 0};
    b.row = {0, 0, W + 1, cell, 0, H - cell};
    return b;
}

std::vector<Span> DoublingCopies(int start, int filled, int end) {
    std::vector<Span> spans;
    if (filled <= 0) return spans;
    while (start + filled < end) {
        const int n = std::min(filled, end - (start + filled));
        spans.push_back({start, start + filled, n});
        filled += n;
    }
    return spans;
}

int ButtonAt(const ButtonLayout& buttons, int x, int y) {
    for (int i = 0; i < kButtonCount; ++i)
        if (buttons.present[i] && buttons.rect[i].contains(x, y)) return i;
    return -1;
}

PressOutcome OnButtonDown(int hit, int x, int y, const ButtonLayout& buttons, Pressed pressed, bool maximized) {
    PressOutcome out;
    out.pressed = pressed;
    const int under = ButtonAt(buttons, x, y);
    if (hit == HTCAPTION) {
        if (under >= 0)
            out.pressed[under] = true;
        else
            out.action = maximized ? PressOutcome::Nothing : PressOutcome::Drag;
        return out;
    }
    if (under >= 0) out.pressed[under] = true;
    out.action = PressOutcome::System;
    return out;
}

int CommandFor(Button b, bool maximized) {
    switch (b) {
    case Close: return SC_CLOSE;
    case Maximize: return maximized ? SC_RESTORE : SC_MAXIMIZE;
    case Minimize: return SC_MINIMIZE;
    }
    return 0;
}

std::vector<int> OnButtonUp(int x, int y, const ButtonLayout& buttons, const Pressed& pressed, bool maximized) {
    Pressed now = pressed;
    const int under = ButtonAt(buttons, x, y);
    if (under >= 0) now[under] = true;
    std::vector<int> commands;
    if (under >= 0 && now[under]) commands.push_back(CommandFor(static_cast<Button>(under), maximized));
    return commands;
}

}  // namespace ds::skin
