#pragma once
// The window system under the handler registry and the skinned frame, on Qt widgets.
//
// A window is a QWidget, its id the widget's address. The thunk is one event filter per hooked
// window: it turns the events the frame needs into the frame's messages and runs them through the
// registry (GSubclass::Dispatch). The window's previous procedure is its own Qt event handling; for
// messages that have no Qt event behind them (hit test, size calculation, non-client clicks, system
// commands) it is DefaultProc, which plays the platform's part with Qt calls: a platform move or
// resize, maximize, close, a system menu, the sizing cursors.
//
// A frame that claims margins in its size calculation makes the window frameless; its margins
// become the widget's contents margins, so the layout keeps to the client area. When the last
// handler goes, the window gets its system frame back at the next turn of the event loop (a frame
// replaced at once never shows the system frame in between).
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <string>
#include <unordered_map>
#include <vector>

#include "skin/subclass.h"
#include "skin/win_messages.h"

class QPainter;

namespace ds::skin {

WindowId IdOf(const QWidget* w);

class QtWindowSystem : public QObject, public WindowSystem {
public:
    static QtWindowSystem& instance();

    // --- for the registry ------------------------------------------------------------------------------
    bool IsWindow(WindowId hwnd) override;
    bool IsLocal(WindowId hwnd) override;
    ProcId InstallThunk(WindowId hwnd, GSubclass& thunk) override;
    void RestoreProc(WindowId hwnd, ProcId previous) override;
    intptr_t CallProc(ProcId proc, WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) override;
    intptr_t GetProp(WindowId hwnd, const std::string& key) override;
    bool SetProp(WindowId hwnd, const std::string& key, intptr_t value) override;

    // --- for the frame ---------------------------------------------------------------------------------
    // Through the window's procedure (the thunk when hooked), now or from the event loop.
    intptr_t SendMessage(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam);
    void PostMessage(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam);
    // The platform's handling of a message.
    intptr_t DefaultProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam);

    // WS_* bits from the window's flags, size limits and state.
    uint32_t Style(WindowId hwnd);
    // The window rectangle in screen coordinates.
    QRect WindowRect(WindowId hwnd);
    // The window's title (GetWindowText).
    QString WindowText(WindowId hwnd);
    // Where the pointer was last seen over the window (screen coordinates).
    QPoint CursorPos(WindowId hwnd);
    // Qt windows have no MDI client class; kept so the frame reads as its rules do.
    bool IsMdiChild(WindowId) { return false; }
    // A new size calculation, as after a frame change: the frame's margins are applied and, where the
    // window's size is its own request, added around it.
    void FrameChanged(WindowId hwnd);
    void RedrawFrame(WindowId hwnd);
    void RedrawWindow(WindowId hwnd);
    // The painter of the paint event that sent WM_NCPAINT, else nullptr.
    QPainter* FramePainter(WindowId hwnd);
    void BringToFront(WindowId hwnd);
    // The drag loop: the platform's own move, or following the pointer where the platform refuses.
    void BeginMove(WindowId hwnd);
    // The sizing zones: the platform's own resize, or following the pointer where it refuses.
    void BeginResize(WindowId hwnd, int hitCode);

    // The margins the frame claimed (zero when the window has its system frame).
    QMargins FrameMargins(WindowId hwnd);
    // True while the window follows the pointer by itself (no platform move or resize).
    bool FollowingPointer(WindowId hwnd);

private:
    QtWindowSystem() = default;
    class Thunk;
    friend class Thunk;

    struct Tracking {
        bool active = false;
        int hitCode = HTCAPTION;  // HTCAPTION moves, a sizing code resizes
        QPoint startPointer;
        QRect startGeometry;
    };
    struct Window {
        QPointer<QWidget> widget;
        Thunk* thunk = nullptr;
        std::unordered_map<std::string, intptr_t> props;
        bool frameless = false;
        Qt::WindowFlags ownFlags;
        bool ownTracking = false;
        QMargins margins;
        QSize grownBy{0, 0};
        QPoint pointer;
        bool hasPointer = false;
        bool ncPress = false;
        int cursorCode = HTCLIENT;
        Tracking tracking;
    };
    // One message being dispatched: the Qt event that stands for the window's own handling of it,
    // and the painter when it is WM_NCPAINT from a paint event.
    struct Context {
        WindowId hwnd = 0;
        uint32_t msg = 0;
        QEvent* event = nullptr;
        bool delivered = false;
        QPainter* painter = nullptr;
    };

    Window* Find(WindowId hwnd);
    Window* Record(WindowId hwnd);
    bool Filter(WindowId hwnd, QEvent* event);
    bool MouseEvent(WindowId hwnd, Window& w, QEvent* event);
    intptr_t DispatchWith(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam, QEvent* event,
                          QPainter* painter, bool* delivered = nullptr);
    void ApplyCalcSize(WindowId hwnd, bool mayGrow);
    void ApplyMargins(Window& w, const QMargins& margins, bool mayGrow);
    void Settle(WindowId hwnd);
    void Follow(Window& w, const QPoint& global);
    void SetFrameCursor(Window& w, int hitCode);
    void SysCommand(WindowId hwnd, int command);
    void ShowSystemMenu(WindowId hwnd, const QPoint& global);
    void Forget(WindowId hwnd);

    std::unordered_map<WindowId, Window> windows_;
    std::vector<Context> contexts_;
};

}  // namespace ds::skin
