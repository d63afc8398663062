#pragma once
// cNeoClass: the skinned window frame. It replaces a top-level window's system frame with one drawn
// from two pictures, a caption strip that also holds the caption buttons and a border strip of square
// cells, and takes over the frame's size calculation, hit testing, painting, caption buttons and
// dragging. It hooks the window through GSubclass and is itself the handler.
//
// Where it departs from the frame it rebuilds (each for the reason given):
// - A press on a caption button presses it (drawn pressed while the pointer stays on it) instead of
//   starting a drag; elsewhere the caption drags. A platform move keeps the release to itself, so a
//   press that dragged could never reach the button.
// - No pointer nudge on a press: the platform delivers the release without it.
// - WM_SETCURSOR no longer takes the window's menu away (the old cursor trick removed a menu bar the
//   first time the pointer passed over it); a window's menu lives in its client area, under the caption.
// - The drag loop is the platform's own move; where the platform refuses, the window follows the
//   pointer event by event (no polling and sleeping) until the release or until it loses activation.
//   A bare X server never activates windows, so activation is not required to start.
// - The window title is not drawn: the caption strip carries the program's name, as before.
#include <QImage>
#include <QObject>
#include <functional>

#include "skin/frame_painter.h"
#include "skin/frame_rules.h"
#include "skin/subclass.h"

class QWidget;

namespace ds::skin {

class QtWindowSystem;

class cNeoClass : public QObject, public ISubclass, public FrameSettings {
    Q_OBJECT
public:
    explicit cNeoClass(QObject* parent = nullptr);
    ~cNeoClass() override;

    QImage p_Caption;  // caption strip: caption pieces and button images
    QImage p_Borders;  // border strip: square cells side by side

    // Skins the window: every failing step is skipped. Attaching to another window detaches from the
    // first; attaching again to the same one reloads the pictures and refreshes the frame.
    void Attach(QWidget* mFrm);
    void Window_Detach();

    int MsgResponse() override;
    intptr_t WindowProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) override;

    // --- state, for tests and screenshots ----------------------------------------------------------------
    WindowId window() const { return hwnd_; }
    FrameSizes frameSizes() const { return sizes_; }
    const ButtonLayout& buttons() const { return buttons_; }
    const Pressed& pressed() const { return pressed_; }
    int lastHitTest() const { return lastHit_; }
    bool active() const { return active_; }
    GSubclass& subclass() { return subclass_; }

private:
    void PaintFrame();
    void Redraw();
    QPoint Relative(intptr_t lParam) const;
    void ButtonDown(intptr_t lParam);
    void ButtonUp(intptr_t lParam);
    void ForEachMessage(const std::function<void(uint32_t)>& f) const;

    QtWindowSystem& windows_;
    GSubclass subclass_;
    FramePainter painter_;
    WindowId hwnd_ = 0;
    bool sysMenu_ = false;
    bool sizable_ = false;
    bool mdiChild_ = false;
    bool active_ = false;
    bool styleTrick_ = false;
    int lastHit_ = 0;
    FrameSizes sizes_;
    int captionBar_ = SM_CYCAPTION;
    ButtonLayout buttons_;
    Pressed pressed_{};
};

}  // namespace ds::skin
