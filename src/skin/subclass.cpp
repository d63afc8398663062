#include "skin/subclass.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "skin/win_messages.h"

namespace ds::skin {
namespace {

std::string Text(uintptr_t v) { return std::to_string(v); }

std::string ErrorSource() {
    QString name = QStringLiteral("dropscout");
    if (QCoreApplication::instance()) {
        const QString file = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!file.isEmpty()) name = file;
    }
    return name.toStdString() + ".WindowProc";
}

[[noreturn]] void Raise(int32_t code, const char* description) {
    throw SubclassError(code, description, code == ErrInvalidCall ? std::string() : ErrorSource());
}

intptr_t Id(ISubclass* iwp) { return static_cast<intptr_t>(reinterpret_cast<uintptr_t>(iwp)); }

}  // namespace

std::string GSubclass::PrevKey(WindowId hwnd) { return Text(hwnd); }
std::string GSubclass::WindowCountKey(WindowId hwnd) { return "C" + Text(hwnd); }
std::string GSubclass::MessageCountKey(WindowId hwnd, uint32_t msg) { return Text(hwnd) + "#" + Text(msg) + "C"; }
std::string GSubclass::EntryKey(WindowId hwnd, uint32_t msg, intptr_t n) {
    return Text(hwnd) + "#" + Text(msg) + "#" + Text(static_cast<uintptr_t>(n));
}

ISubclass* GSubclass::Entry(WindowId hwnd, uint32_t msg, intptr_t n) {
    return reinterpret_cast<ISubclass*>(static_cast<uintptr_t>(Prop(hwnd, EntryKey(hwnd, msg, n))));
}

void GSubclass::Attach_Message(ISubclass* iwp, WindowId hwnd, uint32_t msg) {
    if (!windows_.IsWindow(hwnd)) Raise(ErrInvalidWindow, "Invalid window");
    if (!windows_.IsLocal(hwnd)) Raise(ErrExternalWindow, "Can't modify external window");

    const std::string countKey = MessageCountKey(hwnd, msg);
    const intptr_t count = Prop(hwnd, countKey);
    for (intptr_t n = 1; n <= count; ++n) {
        if (Prop(hwnd, EntryKey(hwnd, msg, n)) == Id(iwp))
            Raise(ErrAlreadyHandled, "Message already handled by another class");
    }

    const std::string entryKey = EntryKey(hwnd, msg, count + 1);
    if (!windows_.SetProp(hwnd, countKey, count + 1)) Raise(ErrInvalidCall, "Invalid procedure call or argument");
    if (!windows_.SetProp(hwnd, entryKey, Id(iwp))) {
        windows_.SetProp(hwnd, countKey, count);
        Raise(ErrInvalidCall, "Invalid procedure call or argument");
    }
    auto dropEntry = [&] {
        windows_.SetProp(hwnd, entryKey, 0);
        windows_.SetProp(hwnd, countKey, count);
    };

    const std::string windowKey = WindowCountKey(hwnd);
    const intptr_t registrations = Prop(hwnd, windowKey);
    if (registrations == 0) {
        const ProcId previous = windows_.InstallThunk(hwnd, *this);
        if (previous == 0) {
            dropEntry();
            Raise(ErrCantSubclass, "Can't subclass window");
        }
        if (!windows_.SetProp(hwnd, PrevKey(hwnd), static_cast<intptr_t>(previous))) {
            windows_.RestoreProc(hwnd, previous);
            dropEntry();
            Raise(ErrInvalidCall, "Invalid procedure call or argument");
        }
    }
    if (!windows_.SetProp(hwnd, windowKey, registrations + 1)) {
        dropEntry();
        if (registrations == 0) {
            windows_.RestoreProc(hwnd, static_cast<ProcId>(Prop(hwnd, PrevKey(hwnd))));
            windows_.SetProp(hwnd, PrevKey(hwnd), 0);
        }
        Raise(ErrInvalidCall, "Invalid procedure call or argument");
    }
}

void GSubclass::Detach_Message(ISubclass* iwp, WindowId hwnd, uint32_t msg) {
    if (!windows_.IsWindow(hwnd) || !windows_.IsLocal(hwnd)) return;
    const std::string countKey = MessageCountKey(hwnd, msg);
    const intptr_t count = Prop(hwnd, countKey);
    if (count <= 0) return;
    intptr_t at = 0;
    for (intptr_t n = 1; n <= count && at == 0; ++n) {
        if (Prop(hwnd, EntryKey(hwnd, msg, n)) == Id(iwp)) at = n;
    }
    if (at == 0) return;

    for (intptr_t n = at; n < count; ++n)
        windows_.SetProp(hwnd, EntryKey(hwnd, msg, n), Prop(hwnd, EntryKey(hwnd, msg, n + 1)));
    windows_.SetProp(hwnd, EntryKey(hwnd, msg, count), 0);
    windows_.SetProp(hwnd, countKey, count - 1);

    const std::string windowKey = WindowCountKey(hwnd);
    const intptr_t registrations = Prop(hwnd, windowKey);
    if (registrations == 1) {
        const ProcId previous = static_cast<ProcId>(Prop(hwnd, PrevKey(hwnd)));
        if (previous != 0) windows_.RestoreProc(hwnd, previous);
        windows_.SetProp(hwnd, PrevKey(hwnd), 0);
    }
    windows_.SetProp(hwnd, windowKey, registrations - 1);
}

intptr_t GSubclass::Get_OldProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    const ProcId previous = static_cast<ProcId>(Prop(hwnd, PrevKey(hwnd)));
    if (previous == 0) return 0;
    return windows_.CallProc(previous, hwnd, msg, wParam, lParam);
}

void GSubclass::Clean_Up(WindowId hwnd) {
    if (Prop(hwnd, WindowCountKey(hwnd)) == 0) return;
    const ProcId previous = static_cast<ProcId>(Prop(hwnd, PrevKey(hwnd)));
    if (previous != 0) windows_.RestoreProc(hwnd, previous);
    windows_.SetProp(hwnd, PrevKey(hwnd), 0);
    windows_.SetProp(hwnd, WindowCountKey(hwnd), 0);
}

intptr_t GSubclass::Dispatch(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    const ProcId previous = static_cast<ProcId>(Prop(hwnd, PrevKey(hwnd)));
    if (previous == 0) return 0;
    const intptr_t count = Prop(hwnd, MessageCountKey(hwnd, msg));
    if (count <= 0) {
        // A window destroyed with registrations but no handler for its destruction is unhooked
        // before its own procedure sees the message, so nothing points at the thunk afterwards.
        if (msg == WM_DESTROY) {
            windows_.RestoreProc(hwnd, previous);
            windows_.SetProp(hwnd, PrevKey(hwnd), 0);
            windows_.SetProp(hwnd, WindowCountKey(hwnd), 0);
        }
        return windows_.CallProc(previous, hwnd, msg, wParam, lParam);
    }

    intptr_t result = 0;
    bool previousRan = false;
    ISubclass* last = nullptr;
    // The count is read once; each entry just before its call, so a handler that detaches another
    // one only leaves a gap that is skipped.
    for (intptr_t n = 1; n <= count; ++n) {
        ISubclass* handler = Entry(hwnd, msg, n);
        if (!handler) continue;
        currentMessage_ = msg;
        if (!last && (handler->MsgResponse() & kRunPreviousBefore)) {
            windows_.CallProc(previous, hwnd, msg, wParam, lParam);
            previousRan = true;
        }
        last = handler;
        currentMessage_ = msg;
        result = handler->WindowProc(hwnd, msg, wParam, lParam);
    }
    if (last && !previousRan) {
        currentMessage_ = msg;
        if (last->MsgResponse() & kRunPreviousAfter) result = windows_.CallProc(previous, hwnd, msg, wParam, lParam);
    }
    return result;
}

}  // namespace ds::skin
