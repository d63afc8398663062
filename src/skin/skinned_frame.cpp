#include "skin/skinned_frame.h"

#include <QWidget>

#include "skin/qt_windows.h"
#include "skin/win_messages.h"

namespace ds::skin {
namespace {

// In the order they are attached; WM_DESTROY comes last so that the frame lets go of the window
// after everything else.
constexpr uint32_t kMessages[] = {WM_NCCALCSIZE,    WM_NCPAINT,    WM_NCACTIVATE, WM_NCLBUTTONDOWN,
                                  WM_NCLBUTTONUP,   WM_NCLBUTTONDBLCLK, WM_NCHITTEST, WM_SETCURSOR,
                                  WM_INITMENU,      WM_INITMENUPOPUP, WM_STYLECHANGED, WM_SETTEXT};

}  // namespace

cNeoClass::cNeoClass(QObject* parent)
    : QObject(parent), windows_(QtWindowSystem::instance()), subclass_(windows_) {
    setObjectName(QStringLiteral("cNeoClass"));
}

cNeoClass::~cNeoClass() { Window_Detach(); }

void cNeoClass::ForEachMessage(const std::function<void(uint32_t)>& f) const {
    for (uint32_t msg : kMessages) f(msg);
    if (mdiChild_) f(WM_SIZE);
    f(WM_DESTROY);
}

void cNeoClass::Attach(QWidget* mFrm) {
    if (p_Caption.isNull() || p_Borders.isNull()) return;
    const WindowId target = IdOf(mFrm);
    const bool same = target != 0 && target == hwnd_;
    sizes_ = ProvisionalFrameSizes();
    captionBar_ = SM_CYCAPTION;
    if (!same) Window_Detach();
    painter_.setPictures(p_Caption, p_Borders);
    if (!same) {
        if (target == 0) return;
        hwnd_ = target;
        mdiChild_ = windows_.IsMdiChild(hwnd_);
        ForEachMessage([this](uint32_t msg) {
            try {
                subclass_.Attach_Message(this, hwnd_, msg);
            } catch (const SubclassError&) {
                // A message the frame cannot hear only loses that part of the frame.
            }
        });
    }
    const uint32_t style = windows_.Style(hwnd_);
    sysMenu_ = style & WS_SYSMENU;
    sizable_ = style & WS_THICKFRAME;
    windows_.RedrawWindow(hwnd_);
    windows_.FrameChanged(hwnd_);
    if (style & WS_VISIBLE) {
        windows_.BringToFront(hwnd_);
        windows_.SendMessage(hwnd_, WM_NCACTIVATE, 1, 0);
        windows_.RedrawWindow(hwnd_);
    }
}

void cNeoClass::Window_Detach() {
    if (hwnd_ == 0) return;
    ForEachMessage([this](uint32_t msg) { subclass_.Detach_Message(this, hwnd_, msg); });
    mdiChild_ = false;
    hwnd_ = 0;
    pressed_ = {};
}

int cNeoClass::MsgResponse() {
    switch (subclass_.p_CurrentMessage()) {
    case WM_SIZE:
    case WM_SETTEXT:
    case WM_SETCURSOR:
    case WM_STYLECHANGED:
    case WM_NCHITTEST:
    case WM_NCPAINT:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP: return 0;
    default: return kRunPreviousBefore;
    }
}

QPoint cNeoClass::Relative(intptr_t lParam) const {
    return QPoint(PointX(lParam), PointY(lParam)) - windows_.WindowRect(hwnd_).topLeft();
}

void cNeoClass::Redraw() { windows_.RedrawFrame(hwnd_); }

intptr_t cNeoClass::WindowProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        if (wParam == 0) return subclass_.Get_OldProc(hwnd, msg, wParam, lParam);
        auto* params = reinterpret_cast<CalcSizeParams*>(lParam);
        const bool maximized = windows_.Style(hwnd) & WS_MAXIMIZE;
        if (!(mdiChild_ && maximized)) sizes_ = ComputeFrameSizes(*this, painter_.sizes());
        const WinRect c = ClientRect(params->pos.x, params->pos.y, params->pos.cx, params->pos.cy, sizes_);
        params->rgrc[0] = {c.left, c.top, c.right, c.bottom};
        params->rgrc[1] = params->rgrc[0];
        return WVR_VALIDRECTS;
    }
    case WM_NCHITTEST: {
        const QRect r = windows_.WindowRect(hwnd);
        const QPoint p = Relative(lParam);
        // A maximized window has no edges to size by.
        const bool sizable = sizable_ && !(windows_.Style(hwnd) & WS_MAXIMIZE);
        lastHit_ = HitTest(p.x(), p.y(), r.width(), r.height(), sizes_, captionBar_, sizable);
        return lastHit_;
    }
    case WM_NCPAINT: {
        const uint32_t style = windows_.Style(hwnd);
        if ((style & WS_VISIBLE) && !(mdiChild_ && (style & WS_MAXIMIZE))) PaintFrame();
        return 0;
    }
    case WM_NCACTIVATE: {
        active_ = wParam != 0;
        const intptr_t result = subclass_.Get_OldProc(hwnd, msg, wParam, lParam);
        Redraw();
        windows_.RedrawWindow(hwnd);
        return result;
    }
    case WM_NCLBUTTONDOWN: ButtonDown(lParam); return 0;
    case WM_NCLBUTTONUP: ButtonUp(lParam); return 0;
    case WM_NCLBUTTONDBLCLK:
    case WM_SETTEXT:
    case WM_STYLECHANGED: {
        const intptr_t result = subclass_.Get_OldProc(hwnd, msg, wParam, lParam);
        if (!styleTrick_) Redraw();
        return result;
    }
    case WM_SETCURSOR: {
        // The flag keeps the redraws of messages sent meanwhile from painting over a half-set cursor.
        styleTrick_ = true;
        const intptr_t result = subclass_.Get_OldProc(hwnd, msg, wParam, lParam);
        styleTrick_ = false;
        return result;
    }
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
    case WM_SIZE: {
        const intptr_t result = subclass_.Get_OldProc(hwnd, msg, wParam, lParam);
        Redraw();
        return result;
    }
    case WM_DESTROY: Window_Detach(); return 0;
    default: return 0;
    }
}

void cNeoClass::PaintFrame() {
    QPainter* target = windows_.FramePainter(hwnd_);
    if (!target) {
        Redraw();  // painted with the next paint event
        return;
    }
    const uint32_t style = windows_.Style(hwnd_);
    const QRect r = windows_.WindowRect(hwnd_);
    const PictureSizes p = painter_.sizes();
    const CaptionLayout caption = LayoutCaption(r.width(), *this, p, active_ ? 0 : p_Offset);
    buttons_ = LayoutButtons(r.width(), *this, p, caption, sysMenu_, style & WS_MAXIMIZEBOX, style & WS_MINIMIZEBOX);
    FrameState state;
    state.width = r.width();
    state.height = r.height();
    state.active = active_;
    state.maximized = style & WS_MAXIMIZE;
    state.sizable = sizable_;
    state.buttons = buttons_;
    state.pressed = pressed_;
    state.pointer = windows_.CursorPos(hwnd_) - r.topLeft();
    state.title = CaptionTitle(windows_.WindowText(hwnd_));
    painter_.paint(*target, *this, state);
}

void cNeoClass::ButtonDown(intptr_t lParam) {
    const QPoint global = windows_.CursorPos(hwnd_);
    windows_.SendMessage(hwnd_, WM_NCHITTEST, 0, PackPoint(global.x(), global.y()));
    const QPoint p = global - windows_.WindowRect(hwnd_).topLeft();
    const bool maximized = windows_.Style(hwnd_) & WS_MAXIMIZE;
    const PressOutcome outcome = OnButtonDown(lastHit_, p.x(), p.y(), buttons_, pressed_, maximized);
    pressed_ = outcome.pressed;
    if (lastHit_ == HTCAPTION) {
        if (!active_) windows_.BringToFront(hwnd_);
        if (outcome.action == PressOutcome::Drag) windows_.BeginMove(hwnd_);
        Redraw();
        return;
    }
    Redraw();
    subclass_.Get_OldProc(hwnd_, WM_NCLBUTTONDOWN, lastHit_, lParam);
    Redraw();
}

void cNeoClass::ButtonUp(intptr_t lParam) {
    const QPoint p = Relative(lParam);
    const bool maximized = windows_.Style(hwnd_) & WS_MAXIMIZE;
    for (int command : OnButtonUp(p.x(), p.y(), buttons_, pressed_, maximized))
        windows_.PostMessage(hwnd_, WM_SYSCOMMAND, command, 0);
    pressed_ = {};
    Redraw();
}

}  // namespace ds::skin
