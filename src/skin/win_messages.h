#pragma once
// The message, hit-test, command and style numbers the frame speaks. They keep the values the frame
// was first written against, so the handler registry and the frame read the same as their rules; on Qt
// the thunk (see qt_windows.h) turns events into these messages and the default procedure turns them
// back into Qt calls.
#include <cstdint>

namespace ds::skin {

// --- messages -------------------------------------------------------------------------------------------
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_SETTEXT = 0x000C;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_STYLECHANGED = 0x007D;
inline constexpr uint32_t WM_NCCALCSIZE = 0x0083;
inline constexpr uint32_t WM_NCHITTEST = 0x0084;
inline constexpr uint32_t WM_NCPAINT = 0x0085;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr uint32_t WM_NCLBUTTONUP = 0x00A2;
inline constexpr uint32_t WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr uint32_t WM_NCRBUTTONUP = 0x00A5;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_INITMENU = 0x0116;
inline constexpr uint32_t WM_INITMENUPOPUP = 0x0117;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_ENTERMENULOOP = 0x0211;
inline constexpr uint32_t WM_EXITMENULOOP = 0x0212;

// --- hit-test codes (WM_NCHITTEST results) ---------------------------------------------------------------
inline constexpr int HTCLIENT = 1;
inline constexpr int HTCAPTION = 2;
inline constexpr int HTSYSMENU = 3;
inline constexpr int HTLEFT = 10;
inline constexpr int HTRIGHT = 11;
inline constexpr int HTTOP = 12;
inline constexpr int HTTOPLEFT = 13;
inline constexpr int HTTOPRIGHT = 14;
inline constexpr int HTBOTTOM = 15;
inline constexpr int HTBOTTOMLEFT = 16;
inline constexpr int HTBOTTOMRIGHT = 17;

constexpr bool IsSizingCode(int code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

// --- WM_SYSCOMMAND commands -------------------------------------------------------------------------------
inline constexpr int SC_MINIMIZE = 0xF020;
inline constexpr int SC_MAXIMIZE = 0xF030;
inline constexpr int SC_CLOSE = 0xF060;
inline constexpr int SC_RESTORE = 0xF120;

// --- window style bits ------------------------------------------------------------------------------------
inline constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr uint32_t WS_VISIBLE = 0x10000000;

// WM_NCCALCSIZE's result when the frame has set the client rectangle.
inline constexpr intptr_t WVR_VALIDRECTS = 0x0400;

// Points travel in lParam as two signed 16-bit halves, x low, y high.
constexpr intptr_t PackPoint(int x, int y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                                 static_cast<uint16_t>(x));
}
constexpr int PointX(intptr_t lParam) { return static_cast<int16_t>(lParam & 0xFFFF); }
constexpr int PointY(intptr_t lParam) { return static_cast<int16_t>((lParam >> 16) & 0xFFFF); }

// WM_NCCALCSIZE's lParam (when wParam is not 0): the proposed window rectangle in, the client
// rectangle out. Rectangles are left, top, right, bottom with right and bottom outside.
struct CalcSizeParams {
    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    Rect rgrc[3];
    struct {
        int x = 0, y = 0, cx = 0, cy = 0;
    } pos;
};

}  // namespace ds::skin
