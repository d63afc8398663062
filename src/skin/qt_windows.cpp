#include "skin/qt_windows.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace ds::skin {
namespace {

// The window's own handling stands behind every hooked window as its previous procedure.
constexpr ProcId kOwnProcedure = 1;

QWidget* Widget(WindowId hwnd) { return reinterpret_cast<QWidget*>(hwnd); }

Qt::Edges EdgesOf(int hitCode) {
    switch (hitCode) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

Qt::CursorShape CursorFor(int hitCode) {
    switch (hitCode) {
    case HTLEFT:
    case HTRIGHT: return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM: return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

intptr_t Pack(const QPoint& p) { return PackPoint(p.x(), p.y()); }

}  // namespace

WindowId IdOf(const QWidget* w) { return reinterpret_cast<WindowId>(w); }

class QtWindowSystem::Thunk : public QObject {
public:
    Thunk(QtWindowSystem& host, WindowId hwnd, GSubclass& registry) : host_(host), hwnd_(hwnd), registry_(&registry) {}
    GSubclass* registry() const { return registry_; }
    void retire() { registry_ = nullptr; }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return registry_ && host_.Filter(hwnd_, event); }

private:
    QtWindowSystem& host_;
    WindowId hwnd_;
    GSubclass* registry_;
};

QtWindowSystem& QtWindowSystem::instance() {
    static QtWindowSystem* host = new QtWindowSystem;  // lives as long as the program's windows
    return *host;
}

// --- registry side -----------------------------------------------------------------------------------------

bool QtWindowSystem::IsWindow(WindowId hwnd) {
    if (hwnd == 0) return false;
    if (Window* w = Find(hwnd); w && w->widget) return true;
    // Compared by address only: a stale id is never dereferenced.
    return QApplication::allWidgets().contains(Widget(hwnd));
}

bool QtWindowSystem::IsLocal(WindowId hwnd) {
    return IsWindow(hwnd) && Widget(hwnd)->thread() == QThread::currentThread();
}

QtWindowSystem::Window* QtWindowSystem::Find(WindowId hwnd) {
    const auto it = windows_.find(hwnd);
    return it == windows_.end() ? nullptr : &it->second;
}

QtWindowSystem::Window* QtWindowSystem::Record(WindowId hwnd) {
    if (Window* w = Find(hwnd)) return w->widget ? w : nullptr;
    if (!IsWindow(hwnd)) return nullptr;
    Window& w = windows_[hwnd];
    w.widget = Widget(hwnd);
    // The window's properties and hook end with it; a handler still registered for its destruction
    // hears of it first.
    connect(w.widget, &QObject::destroyed, this, [this, hwnd] {
        Window* dying = Find(hwnd);
        if (dying && dying->thunk && dying->thunk->registry()) dying->thunk->registry()->Dispatch(hwnd, WM_DESTROY, 0, 0);
        Forget(hwnd);
    });
    return &w;
}

void QtWindowSystem::Forget(WindowId hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (w->thunk) {
        w->thunk->retire();
        w->thunk->deleteLater();
    }
    windows_.erase(hwnd);
}

ProcId QtWindowSystem::InstallThunk(WindowId hwnd, GSubclass& registry) {
    Window* w = Record(hwnd);
    if (!w) return 0;
    if (w->thunk) {
        w->widget->removeEventFilter(w->thunk);
        w->thunk->retire();
        w->thunk->deleteLater();
    }
    w->thunk = new Thunk(*this, hwnd, registry);
    w->widget->installEventFilter(w->thunk);
    return kOwnProcedure;
}

void QtWindowSystem::RestoreProc(WindowId hwnd, ProcId) {
    Window* w = Find(hwnd);
    if (!w || !w->thunk) return;
    // The thunk may be running further up the stack: it is retired now and deleted later.
    if (w->widget) w->widget->removeEventFilter(w->thunk);
    w->thunk->retire();
    w->thunk->deleteLater();
    w->thunk = nullptr;
    w->ncPress = false;
    w->tracking.active = false;
    if (w->widget) QTimer::singleShot(0, w->widget, [this, hwnd] { Settle(hwnd); });
}

intptr_t QtWindowSystem::CallProc(ProcId proc, WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    if (proc != kOwnProcedure) return 0;
    // The Qt event behind this message, if any, is the window's own handling of it.
    for (auto it = contexts_.rbegin(); it != contexts_.rend(); ++it) {
        if (it->hwnd != hwnd || it->msg != msg) continue;
        if (!it->event || it->delivered) break;
        it->delivered = true;
        Window* w = Find(hwnd);
        QObject* target = w ? w->widget.data() : nullptr;
        return target && target->event(it->event) ? 1 : 0;
    }
    return DefaultProc(hwnd, msg, wParam, lParam);
}

intptr_t QtWindowSystem::GetProp(WindowId hwnd, const std::string& key) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    const auto it = w->props.find(key);
    return it == w->props.end() ? 0 : it->second;
}

bool QtWindowSystem::SetProp(WindowId hwnd, const std::string& key, intptr_t value) {
    Window* w = value == 0 ? Find(hwnd) : Record(hwnd);
    if (!w) return value == 0;
    if (value == 0)
        w->props.erase(key);
    else
        w->props[key] = value;
    return true;
}

// --- messages --------------------------------------------------------------------------------------------

intptr_t QtWindowSystem::SendMessage(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    return DispatchWith(hwnd, msg, wParam, lParam, nullptr, nullptr);
}

void QtWindowSystem::PostMessage(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    Window* w = Record(hwnd);
    if (!w) return;
    QTimer::singleShot(0, w->widget, [this, hwnd, msg, wParam, lParam] { SendMessage(hwnd, msg, wParam, lParam); });
}

intptr_t QtWindowSystem::DispatchWith(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam, QEvent* event,
                                      QPainter* painter, bool* delivered) {
    Window* w = Find(hwnd);
    GSubclass* registry = w && w->thunk ? w->thunk->registry() : nullptr;
    contexts_.push_back({hwnd, msg, event, false, painter});
    const size_t at = contexts_.size() - 1;
    const intptr_t result = registry ? registry->Dispatch(hwnd, msg, wParam, lParam)
                                     : CallProc(kOwnProcedure, hwnd, msg, wParam, lParam);
    if (delivered) *delivered = contexts_[at].delivered;
    contexts_.resize(at);
    return result;
}

intptr_t QtWindowSystem::DefaultProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case WM_NCHITTEST: return HTCLIENT;
    case WM_NCACTIVATE: return 1;
    case WM_SETCURSOR:
        if (Window* w = Find(hwnd); w && w->widget) SetFrameCursor(*w, static_cast<int>(lParam & 0xFFFF));
        return 1;
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION)
            BeginMove(hwnd);
        else if (IsSizingCode(static_cast<int>(wParam)))
            BeginResize(hwnd, static_cast<int>(wParam));
        else if (wParam == HTSYSMENU)
            ShowSystemMenu(hwnd, QPoint(PointX(lParam), PointY(lParam)));
        return 0;
    case WM_NCLBUTTONDBLCLK: {
        const uint32_t style = Style(hwnd);
        if (wParam == HTSYSMENU)
            PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (wParam == HTCAPTION && (style & WS_MAXIMIZEBOX) && (style & WS_THICKFRAME))
            PostMessage(hwnd, WM_SYSCOMMAND, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, 0);
        return 0;
    }
    case WM_NCRBUTTONUP:
        if (wParam == HTCAPTION || wParam == HTSYSMENU) ShowSystemMenu(hwnd, QPoint(PointX(lParam), PointY(lParam)));
        return 0;
    case WM_SYSCOMMAND: SysCommand(hwnd, static_cast<int>(wParam)); return 0;
    default: return 0;
    }
}

void QtWindowSystem::SysCommand(WindowId hwnd, int command) {
    Window* w = Find(hwnd);
    QWidget* widget = w ? w->widget.data() : nullptr;
    if (!widget) return;
    switch (command) {
    case SC_CLOSE: widget->close(); break;
    case SC_MAXIMIZE: widget->showMaximized(); break;
    case SC_RESTORE: widget->showNormal(); break;
    case SC_MINIMIZE: widget->showMinimized(); break;
    default: break;
    }
}

void QtWindowSystem::ShowSystemMenu(WindowId hwnd, const QPoint& global) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return;
    const uint32_t style = Style(hwnd);
    const bool maximized = style & WS_MAXIMIZE;
    auto* menu = new QMenu(w->widget);
    menu->setObjectName(QStringLiteral("systemMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [&](const QString& text, int command, bool enabled) {
        QAction* a = menu->addAction(text);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, hwnd, command] { PostMessage(hwnd, WM_SYSCOMMAND, command, 0); });
    };
    add(QStringLiteral("还原(&R)"), SC_RESTORE, maximized || w->widget->isMinimized());
    add(QStringLiteral("最小化(&N)"), SC_MINIMIZE, style & WS_MINIMIZEBOX);
    add(QStringLiteral("最大化(&X)"), SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) && !maximized);
    menu->addSeparator();
    add(QStringLiteral("关闭(&C)"), SC_CLOSE, style & WS_SYSMENU);
    SendMessage(hwnd, WM_INITMENUPOPUP, 0, 0);
    menu->popup(global);
}

// --- the thunk's translation -------------------------------------------------------------------------------

bool QtWindowSystem::Filter(WindowId hwnd, QEvent* event) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return false;
    QWidget* widget = w->widget;
    switch (event->type()) {
    case QEvent::Paint: {
        // The client first, then the frame over the margins, so that a window painting its whole
        // rectangle cannot cover the frame.
        static_cast<QObject*>(widget)->event(event);
        // Only paints that reach the frame repaint it, as only an invalid frame is sent WM_NCPAINT.
        const QRegion frame = QRegion(widget->rect()) - QRegion(widget->contentsRect());
        if (static_cast<QPaintEvent*>(event)->region().intersects(frame)) {
            QPainter painter(widget);
            DispatchWith(hwnd, WM_NCPAINT, 1, 0, nullptr, &painter);
        }
        return true;
    }
    case QEvent::Resize:
        ApplyCalcSize(hwnd, false);
        return false;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (event->type() == QEvent::WindowDeactivate) w->tracking.active = false;
        SendMessage(hwnd, WM_NCACTIVATE, event->type() == QEvent::WindowActivate ? 1 : 0, 0);
        return false;
    case QEvent::WindowTitleChange:
        DispatchWith(hwnd, WM_SETTEXT, 0, 0, event, nullptr);
        return true;
    case QEvent::WindowStateChange:
        DispatchWith(hwnd, WM_STYLECHANGED, 0, 0, event, nullptr);
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return MouseEvent(hwnd, *w, event);
    default:
        return false;
    }
}

bool QtWindowSystem::MouseEvent(WindowId hwnd, Window& w, QEvent* event) {
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint global = me->globalPosition().toPoint();
    w.pointer = global;
    w.hasPointer = true;
    const bool left = me->button() == Qt::LeftButton;

    if (w.tracking.active) {
        if (event->type() == QEvent::MouseMove && (me->buttons() & Qt::LeftButton)) {
            Follow(w, global);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && left) w.tracking.active = false;
    }

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const int hit = static_cast<int>(SendMessage(hwnd, WM_NCHITTEST, 0, Pack(global)));
        if (hit == HTCLIENT) return false;
        if (left) {
            w.ncPress = true;
            SendMessage(hwnd, event->type() == QEvent::MouseButtonDblClick ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, hit,
                        Pack(global));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const int hit = static_cast<int>(SendMessage(hwnd, WM_NCHITTEST, 0, Pack(global)));
        // Only a press that began on the frame ends there: a release that a child passed up after a
        // press in the content must not close or minimize the window from a caption button.
        if (left && w.ncPress) {
            w.ncPress = false;
            SendMessage(hwnd, WM_NCLBUTTONUP, hit, Pack(global));
            return true;
        }
        if (me->button() == Qt::RightButton && hit != HTCLIENT) SendMessage(hwnd, WM_NCRBUTTONUP, hit, Pack(global));
        return hit != HTCLIENT;
    }
    case QEvent::MouseMove: {
        // A platform move takes the release with it; the next plain move ends the press.
        if (w.ncPress && !(me->buttons() & Qt::LeftButton)) w.ncPress = false;
        if (w.ncPress) {
            RedrawFrame(hwnd);  // a pressed button shows pressed only while the pointer is on it
            return true;
        }
        if (me->buttons() != Qt::NoButton) return false;
        const int hit = static_cast<int>(SendMessage(hwnd, WM_NCHITTEST, 0, Pack(global)));
        SendMessage(hwnd, WM_SETCURSOR, static_cast<intptr_t>(hwnd), hit | (static_cast<intptr_t>(WM_MOUSEMOVE) << 16));
        return hit != HTCLIENT;
    }
    default:
        return false;
    }
}

// --- frame geometry ---------------------------------------------------------------------------------------

void QtWindowSystem::FrameChanged(WindowId hwnd) { ApplyCalcSize(hwnd, true); }

void QtWindowSystem::ApplyCalcSize(WindowId hwnd, bool mayGrow) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return;
    const QRect g = WindowRect(hwnd);
    CalcSizeParams params;
    params.pos = {g.x(), g.y(), g.width(), g.height()};
    params.rgrc[0] = {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    params.rgrc[1] = params.rgrc[0];
    SendMessage(hwnd, WM_NCCALCSIZE, 1, reinterpret_cast<intptr_t>(&params));
    const auto& c = params.rgrc[0];
    const QMargins margins(c.left - g.x(), c.top - g.y(), g.x() + g.width() - c.right, g.y() + g.height() - c.bottom);
    if (Window* again = Find(hwnd)) ApplyMargins(*again, margins, mayGrow);
}

void QtWindowSystem::ApplyMargins(Window& w, const QMargins& margins, bool mayGrow) {
    QWidget* widget = w.widget;
    if (!widget || margins == w.margins) return;
    const bool own = !margins.isNull();
    if (own && !w.frameless) {
        w.ownFlags = widget->windowFlags();
        w.ownTracking = widget->hasMouseTracking();
        const Qt::WindowFlags flags = w.ownFlags | Qt::FramelessWindowHint;
        widget->overrideWindowFlags(flags);
        if (widget->windowHandle()) widget->windowHandle()->setFlags(flags);
        // Hover over the frame sets the sizing cursors.
        widget->setMouseTracking(true);
        w.frameless = true;
    }
    const QSize delta(margins.left() + margins.right() - w.margins.left() - w.margins.right(),
                      margins.top() + margins.bottom() - w.margins.top() - w.margins.bottom());
    w.margins = margins;
    widget->setContentsMargins(margins);
    // The client keeps the size the window asked for. A window that has placed itself (a position of
    // its own or a remembered geometry) keeps its outer geometry instead: a remembered geometry
    // already holds the frame, and growing it again would grow the window at every start.
    const bool askedSize =
        widget->isVisible() || (widget->testAttribute(Qt::WA_Resized) && !widget->testAttribute(Qt::WA_Moved));
    if (mayGrow && askedSize && !delta.isNull()) {
        widget->resize(widget->size() + delta);
        w.grownBy += delta;
    }
}

void QtWindowSystem::Settle(WindowId hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->widget || w->thunk || !w->frameless) return;
    QWidget* widget = w->widget;
    // The system frame first: a platform may move or size the window when its frame comes back.
    widget->overrideWindowFlags(w->ownFlags);
    if (widget->windowHandle()) {
        widget->windowHandle()->setFlags(w->ownFlags);
        widget->windowHandle()->unsetCursor();
    }
    widget->setMouseTracking(w->ownTracking);
    w->frameless = false;
    w->cursorCode = HTCLIENT;
    w->margins = QMargins();
    widget->setContentsMargins(QMargins());
    if (!w->grownBy.isNull()) {
        widget->resize(widget->size() - w->grownBy);
        w->grownBy = QSize(0, 0);
    }
}

QMargins QtWindowSystem::FrameMargins(WindowId hwnd) {
    Window* w = Find(hwnd);
    return w ? w->margins : QMargins();
}

uint32_t QtWindowSystem::Style(WindowId hwnd) {
    Window* w = Record(hwnd);
    if (!w) return 0;
    QWidget* widget = w->widget;
    const Qt::WindowFlags flags = w->frameless ? w->ownFlags : widget->windowFlags();
    constexpr Qt::WindowFlags kHints = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                       Qt::WindowCloseButtonHint;
    // Without hints of its own a window gets the platform's full set of buttons.
    const bool hinted = flags & kHints;
    uint32_t style = 0;
    if (!hinted || (flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint))) style |= WS_SYSMENU;
    if (!hinted || (flags & Qt::WindowMinimizeButtonHint)) style |= WS_MINIMIZEBOX;
    if (!hinted || (flags & Qt::WindowMaximizeButtonHint)) style |= WS_MAXIMIZEBOX;
    if (widget->minimumSize() != widget->maximumSize() && !(flags & Qt::MSWindowsFixedSizeDialogHint))
        style |= WS_THICKFRAME;
    if (widget->isMaximized()) style |= WS_MAXIMIZE;
    if (widget->isVisible()) style |= WS_VISIBLE;
    return style;
}

QRect QtWindowSystem::WindowRect(WindowId hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return {};
    QWidget* widget = w->widget;
    return QRect(widget->isWindow() ? widget->pos() : widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

QString QtWindowSystem::WindowText(WindowId hwnd) {
    Window* w = Find(hwnd);
    return w && w->widget ? w->widget->windowTitle() : QString();
}

QPoint QtWindowSystem::CursorPos(WindowId hwnd) {
    Window* w = Find(hwnd);
    return w && w->hasPointer ? w->pointer : QCursor::pos();
}

void QtWindowSystem::RedrawFrame(WindowId hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->widget || w->margins.isNull()) return;
    QWidget* widget = w->widget;
    widget->update(QRegion(widget->rect()) - QRegion(widget->contentsRect()));
}

void QtWindowSystem::RedrawWindow(WindowId hwnd) {
    if (Window* w = Find(hwnd); w && w->widget) w->widget->update();
}

QPainter* QtWindowSystem::FramePainter(WindowId hwnd) {
    for (auto it = contexts_.rbegin(); it != contexts_.rend(); ++it)
        if (it->hwnd == hwnd && it->msg == WM_NCPAINT) return it->painter;
    return nullptr;
}

void QtWindowSystem::BringToFront(WindowId hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return;
    w->widget->raise();
    w->widget->activateWindow();
}

void QtWindowSystem::BeginMove(WindowId hwnd) { BeginResize(hwnd, HTCAPTION); }

void QtWindowSystem::BeginResize(WindowId hwnd, int hitCode) {
    Window* w = Find(hwnd);
    if (!w || !w->widget) return;
    QWindow* native = w->widget->windowHandle();
    const bool byPlatform = native && (hitCode == HTCAPTION ? native->startSystemMove()
                                                            : native->startSystemResize(EdgesOf(hitCode)));
    if (byPlatform) {
        w->ncPress = false;  // the platform takes the release
        return;
    }
    w->tracking = {true, hitCode, CursorPos(hwnd), w->widget->geometry()};
}

bool QtWindowSystem::FollowingPointer(WindowId hwnd) {
    Window* w = Find(hwnd);
    return w && w->tracking.active;
}

void QtWindowSystem::Follow(Window& w, const QPoint& global) {
    QWidget* widget = w.widget;
    const Tracking& t = w.tracking;
    const QPoint d = global - t.startPointer;
    if (t.hitCode == HTCAPTION) {
        widget->move(t.startGeometry.topLeft() + d);
        return;
    }
    const Qt::Edges edges = EdgesOf(t.hitCode);
    const QSize lo = widget->minimumSize(), hi = widget->maximumSize();
    QRect g = t.startGeometry;
    if (edges & Qt::LeftEdge) g.setLeft(g.right() + 1 - qBound(lo.width(), g.width() - d.x(), hi.width()));
    if (edges & Qt::RightEdge) g.setWidth(qBound(lo.width(), g.width() + d.x(), hi.width()));
    if (edges & Qt::TopEdge) g.setTop(g.bottom() + 1 - qBound(lo.height(), g.height() - d.y(), hi.height()));
    if (edges & Qt::BottomEdge) g.setHeight(qBound(lo.height(), g.height() + d.y(), hi.height()));
    widget->setGeometry(g);
}

void QtWindowSystem::SetFrameCursor(Window& w, int hitCode) {
    const int code = IsSizingCode(hitCode) ? hitCode : HTCLIENT;
    QWindow* native = w.widget->windowHandle();
    if (!native) return;
    // Set on the native window: Qt puts a child's own cursor back when the pointer enters it. So the
    // window's cursor is put back only on leaving an edge (a child under the pointer keeps its own), and
    // an edge checks what the native window shows: a child the pointer passed over may have changed it.
    if (code == HTCLIENT) {
        if (w.cursorCode != HTCLIENT) native->setCursor(w.widget->cursor());
    } else if (native->cursor().shape() != CursorFor(code)) {
        native->setCursor(QCursor(CursorFor(code)));
    }
    w.cursorCode = code;
}

}  // namespace ds::skin
