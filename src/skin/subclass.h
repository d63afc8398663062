#pragma once
// Message subclassing: handler objects take part in a window's message handling. Any number of
// handlers register for any number of messages of any number of windows; the window's own procedure
// is replaced by one thunk that calls them in registration order and runs the window's previous
// procedure before or after them, as the first and the last handler ask.
//
// The bookkeeping lives in the window's properties (WindowSystem::GetProp/SetProp), keyed by decimal
// text: h -> previous procedure, "C"h -> registrations on the window, h#m"C" -> handlers of message m,
// h#m#n -> the n-th of them. A write of 0 removes the property. Every failure of Attach_Message leaves
// these properties as they were.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace ds::skin {

using WindowId = uintptr_t;  // 0 is no window
using ProcId = uintptr_t;    // a window procedure; 0 is none

// Bits of ISubclass::MsgResponse.
inline constexpr int kRunPreviousAfter = 1;
inline constexpr int kRunPreviousBefore = 2;

class ISubclass {
public:
    virtual ~ISubclass() = default;
    // For the message being dispatched (GSubclass::p_CurrentMessage): kRunPreviousBefore,
    // kRunPreviousAfter, or 0 when the handler's result is final.
    virtual int MsgResponse() = 0;
    virtual void setMsgResponse(int) {}
    virtual intptr_t WindowProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) = 0;
};

class GSubclass;

// What the registry needs of the window system. The Qt implementation is in qt_windows.h.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual bool IsWindow(WindowId hwnd) = 0;
    // The window belongs to the caller's thread, the only one allowed to hook it.
    virtual bool IsLocal(WindowId hwnd) = 0;
    // Makes `thunk` the window's procedure; returns the previous one, 0 when the hook failed.
    virtual ProcId InstallThunk(WindowId hwnd, GSubclass& thunk) = 0;
    virtual void RestoreProc(WindowId hwnd, ProcId previous) = 0;
    virtual intptr_t CallProc(ProcId proc, WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam) = 0;
    virtual intptr_t GetProp(WindowId hwnd, const std::string& key) = 0;
    // False when the property could not be written. A value of 0 removes the property.
    virtual bool SetProp(WindowId hwnd, const std::string& key, intptr_t value) = 0;
};

// Error codes of Attach_Message: the four registry codes combined with the application error base,
// and the runtime's "invalid procedure call" for a property that could not be written.
inline constexpr uint32_t kApplicationErrorBase = 0x80040000u;
inline constexpr int32_t ErrCantSubclass = static_cast<int32_t>(kApplicationErrorBase | 13081);
inline constexpr int32_t ErrAlreadyHandled = static_cast<int32_t>(kApplicationErrorBase | 13082);
inline constexpr int32_t ErrInvalidWindow = static_cast<int32_t>(kApplicationErrorBase | 13083);
inline constexpr int32_t ErrExternalWindow = static_cast<int32_t>(kApplicationErrorBase | 13084);
inline constexpr int32_t ErrInvalidCall = 5;

class SubclassError : public std::runtime_error {
public:
    SubclassError(int32_t code, const std::string& description, std::string source)
        : std::runtime_error(description), code_(code), source_(std::move(source)) {}
    int32_t code() const { return code_; }
    // "<program>.WindowProc" for the registry's own codes, empty for error 5.
    const std::string& source() const { return source_; }

private:
    int32_t code_;
    std::string source_;
};

class GSubclass {
public:
    explicit GSubclass(WindowSystem& windows) : windows_(windows) {}
    GSubclass(const GSubclass&) = delete;
    GSubclass& operator=(const GSubclass&) = delete;

    // Registers `iwp` for message `msg` of `hwnd`; hooks the window on its first registration.
    // Throws SubclassError.
    void Attach_Message(ISubclass* iwp, WindowId hwnd, uint32_t msg);
    // Removes the registration, keeping the order of the others; the window's last one unhooks it.
    // Never throws; does nothing for an unknown window, message or handler.
    void Detach_Message(ISubclass* iwp, WindowId hwnd, uint32_t msg);
    bool Window_Local(WindowId hwnd) { return windows_.IsLocal(hwnd); }
    // The window's previous procedure for this message; 0 when none is stored.
    intptr_t Get_OldProc(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam);
    uint32_t p_CurrentMessage() const { return currentMessage_; }
    static bool In_IDE() { return false; }
    // Puts the previous procedure back and forgets it and the window's registration count.
    void Clean_Up(WindowId hwnd);

    // The thunk: what the hooked window runs for every message.
    intptr_t Dispatch(WindowId hwnd, uint32_t msg, intptr_t wParam, intptr_t lParam);

    // Property keys, for the window system and for tests.
    static std::string PrevKey(WindowId hwnd);
    static std::string WindowCountKey(WindowId hwnd);
    static std::string MessageCountKey(WindowId hwnd, uint32_t msg);
    static std::string EntryKey(WindowId hwnd, uint32_t msg, intptr_t n);

private:
    intptr_t Prop(WindowId hwnd, const std::string& key) { return windows_.GetProp(hwnd, key); }
    ISubclass* Entry(WindowId hwnd, uint32_t msg, intptr_t n);

    WindowSystem& windows_;
    uint32_t currentMessage_ = 0;
};

}  // namespace ds::skin
