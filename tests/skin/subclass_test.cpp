// The handler registry's rules: order of handlers, the previous procedure before or after them, detaching,
// unhooking, and errors that leave the registry as it was. The window system is scripted: windows 1
// and 2 are ours, window 9 belongs to another thread, and any property write can be made to fail.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "skin/subclass.h"
#include "skin/win_messages.h"

namespace ds::skin::test {
namespace {

constexpr uint32_t kPaint = WM_NCPAINT, kHit = WM_NCHITTEST;

struct ScriptedWindows : WindowSystem {
    std::set<WindowId> local{1, 2}, foreign{9};
    std::map<WindowId, std::map<std::string, intptr_t>> props;
    std::map<WindowId, GSubclass*> hooked;
    std::vector<std::string> log;
    std::string failKey;  // writes (not removals) of this key fail
    bool refuseHook = false;
    intptr_t ownResult = 70;

    bool IsWindow(WindowId h) override { return local.count(h) || foreign.count(h); }
    bool IsLocal(WindowId h) override { return local.count(h) > 0; }
    ProcId InstallThunk(WindowId h, GSubclass& thunk) override {
        if (refuseHook) return 0;
        hooked[h] = &thunk;
        return 500 + h;
    }
    void RestoreProc(WindowId h, ProcId previous) override {
        log.push_back("restore " + std::to_string(previous));
        hooked.erase(h);
    }
    intptr_t CallProc(ProcId proc, WindowId, uint32_t msg, intptr_t, intptr_t) override {
        log.push_back("own " + std::to_string(msg) + " via " + std::to_string(proc));
        return ownResult;
    }
    intptr_t GetProp(WindowId h, const std::string& key) override {
        const auto window = props.find(h);
        if (window == props.end()) return 0;
        const auto it = window->second.find(key);
        return it == window->second.end() ? 0 : it->second;
    }
    bool SetProp(WindowId h, const std::string& key, intptr_t value) override {
        if (value != 0 && key == failKey) return false;
        if (value == 0) {
            if (props.count(h)) props[h].erase(key);
            if (props.count(h) && props[h].empty()) props.erase(h);
        } else
            props[h][key] = value;
        return true;
    }
    // A message as the window receives it: through the thunk while it is hooked.
    intptr_t Send(WindowId h, uint32_t msg) {
        const auto it = hooked.find(h);
        return it != hooked.end() ? it->second->Dispatch(h, msg, 0, 0) : CallProc(0, h, msg, 0, 0);
    }
};

struct Handler : ISubclass {
    Handler(std::string n, ScriptedWindows& w, GSubclass& g, int response = 0, intptr_t result = 0)
        : name(std::move(n)), windows(w), registry(g), response(response), result(result) {}
    int MsgResponse() override {
        windows.log.push_back(name + " asks " + std::to_string(registry.p_CurrentMessage()));
        return response;
    }
    intptr_t WindowProc(WindowId, uint32_t msg, intptr_t, intptr_t) override {
        windows.log.push_back(name + " " + std::to_string(msg) + " cell " + std::to_string(registry.p_CurrentMessage()));
        if (onCall) onCall();
        return result;
    }
    std::string name;
    ScriptedWindows& windows;
    GSubclass& registry;
    int response;
    intptr_t result;
    std::function<void()> onCall;
};

class Registry : public ::testing::Test {
protected:
    ScriptedWindows windows;
    GSubclass registry{windows};
    Handler a{"A", windows, registry}, b{"B", windows, registry}, c{"C", windows, registry};

    std::vector<std::string> take() { return std::exchange(windows.log, {}); }
    int32_t attachError(ISubclass* h, WindowId w, uint32_t msg) {
        try {
            registry.Attach_Message(h, w, msg);
        } catch (const SubclassError& e) {
            return e.code();
        }
        return 0;
    }
};

TEST_F(Registry, PreviousProcedureBeforeOrAfterAsTheFirstAndLastHandlerSay) {
    struct Case {
        int first, last;
        std::vector<std::string> log;
        intptr_t result;
    };
    const std::string paint = std::to_string(kPaint);
    const Case cases[] = {
        // Only the first handler's answer decides "before"; the handlers' last value is the result.
        {kRunPreviousBefore, 0,
         {"A asks " + paint, "own " + paint + " via 501", "A " + paint + " cell " + paint, "B " + paint + " cell " + paint},
         2},
        // Only the last handler's answer decides "after", and then the own result wins.
        {0, kRunPreviousAfter,
         {"A asks " + paint, "A " + paint + " cell " + paint, "B " + paint + " cell " + paint, "B asks " + paint,
          "own " + paint + " via 501"},
         70},
        {kRunPreviousAfter, kRunPreviousBefore,
         {"A asks " + paint, "A " + paint + " cell " + paint, "B " + paint + " cell " + paint, "B asks " + paint},
         2},
        {0, 0, {"A asks " + paint, "A " + paint + " cell " + paint, "B " + paint + " cell " + paint, "B asks " + paint}, 2},
    };
    for (const Case& k : cases) {
        ScriptedWindows w;
        GSubclass g(w);
        Handler first("A", w, g, k.first, 1), last("B", w, g, k.last, 2);
        g.Attach_Message(&first, 1, kPaint);
        g.Attach_Message(&last, 1, kPaint);
        EXPECT_EQ(w.Send(1, kPaint), k.result) << k.first << "/" << k.last;
        EXPECT_EQ(w.log, k.log) << k.first << "/" << k.last;
    }
}

TEST_F(Registry, SecondRegistrationOfTheSameHandlerFailsAndKeepsTheFirst) {
    registry.Attach_Message(&a, 1, kPaint);
    const auto before = windows.props;
    EXPECT_EQ(attachError(&a, 1, kPaint), ErrAlreadyHandled);
    EXPECT_EQ(windows.props, before);
    take();
    windows.Send(1, kPaint);
    EXPECT_EQ(take(), (std::vector<std::string>{"A asks 133", "A 133 cell 133", "A asks 133"}));
    // The same handler on another message or another window is a new registration.
    EXPECT_EQ(attachError(&a, 1, kHit), 0);
    EXPECT_EQ(attachError(&a, 2, kPaint), 0);
    EXPECT_EQ(windows.GetProp(1, GSubclass::WindowCountKey(1)), 2);
}

TEST_F(Registry, DetachFromTheMiddleKeepsTheOthersInOrder) {
    for (Handler* h : {&a, &b, &c}) registry.Attach_Message(h, 1, kPaint);
    registry.Detach_Message(&b, 1, kPaint);
    EXPECT_EQ(windows.GetProp(1, GSubclass::MessageCountKey(1, kPaint)), 2);
    EXPECT_EQ(windows.GetProp(1, GSubclass::EntryKey(1, kPaint, 3)), 0);
    take();
    windows.Send(1, kPaint);
    EXPECT_EQ(take(), (std::vector<std::string>{"A asks 133", "A 133 cell 133", "C 133 cell 133", "C asks 133"}));
    // Unknown handler, message or window: nothing happens, nothing is thrown.
    registry.Detach_Message(&b, 1, kPaint);
    registry.Detach_Message(&a, 1, kHit);
    registry.Detach_Message(&a, 9, kPaint);
    registry.Detach_Message(&a, 4, kPaint);
    EXPECT_EQ(windows.GetProp(1, GSubclass::MessageCountKey(1, kPaint)), 2);
}

TEST_F(Registry, TheLastDetachUnhooksTheWindow) {
    registry.Attach_Message(&a, 1, kPaint);
    registry.Attach_Message(&a, 1, kHit);
    registry.Detach_Message(&a, 1, kPaint);
    EXPECT_TRUE(windows.hooked.count(1));
    take();
    registry.Detach_Message(&a, 1, kHit);
    EXPECT_EQ(take(), std::vector<std::string>{"restore 501"});
    EXPECT_FALSE(windows.props.count(1));
    EXPECT_EQ(windows.Send(1, kPaint), 70);  // the window's own procedure again
    EXPECT_EQ(registry.Get_OldProc(1, kPaint, 0, 0), 0);
}

TEST_F(Registry, DestroyWithoutAHandlerForItUnhooksBeforeTheWindowSeesIt) {
    registry.Attach_Message(&a, 1, kPaint);
    take();
    EXPECT_EQ(windows.Send(1, WM_DESTROY), 70);
    EXPECT_EQ(take(), (std::vector<std::string>{"restore 501", "own 2 via 501"}));
    EXPECT_EQ(windows.GetProp(1, GSubclass::PrevKey(1)), 0);
    EXPECT_EQ(windows.GetProp(1, GSubclass::WindowCountKey(1)), 0);
}

TEST_F(Registry, CleanUpPutsThePreviousProcedureBack) {
    registry.Attach_Message(&a, 1, kPaint);
    registry.Clean_Up(1);
    EXPECT_FALSE(windows.hooked.count(1));
    EXPECT_EQ(windows.GetProp(1, GSubclass::PrevKey(1)), 0);
    EXPECT_EQ(windows.GetProp(1, GSubclass::WindowCountKey(1)), 0);
    // The message's own entries are not part of the clean-up.
    EXPECT_EQ(attachError(&a, 1, kPaint), ErrAlreadyHandled);
}

TEST_F(Registry, ErrorsLeaveTheRegistryAsItWas) {
    registry.Attach_Message(&b, 2, kHit);  // another window's registrations stay untouched too
    struct Case {
        WindowId window;
        std::string failKey;
        bool refuseHook;
        int32_t code;
        bool hasSource;
    };
    const Case cases[] = {
        {4, "", false, ErrInvalidWindow, true},
        {9, "", false, ErrExternalWindow, true},
        {1, "", true, ErrCantSubclass, true},
        {1, GSubclass::MessageCountKey(1, kPaint), false, ErrInvalidCall, false},
        {1, GSubclass::EntryKey(1, kPaint, 1), false, ErrInvalidCall, false},
        {1, GSubclass::PrevKey(1), false, ErrInvalidCall, false},
        {1, GSubclass::WindowCountKey(1), false, ErrInvalidCall, false},
    };
    for (const Case& k : cases) {
        windows.failKey = k.failKey;
        windows.refuseHook = k.refuseHook;
        const auto before = windows.props;
        try {
            registry.Attach_Message(&a, k.window, kPaint);
            ADD_FAILURE() << "no error for " << k.failKey;
        } catch (const SubclassError& e) {
            EXPECT_EQ(e.code(), k.code) << k.failKey;
            EXPECT_EQ(!e.source().empty(), k.hasSource) << k.failKey;
            if (k.hasSource) {
                EXPECT_TRUE(e.source().ends_with(".WindowProc"));
            }
        }
        EXPECT_EQ(windows.props, before) << k.failKey;
        EXPECT_FALSE(windows.hooked.count(1)) << k.failKey;
    }
    EXPECT_EQ(static_cast<uint32_t>(ErrCantSubclass), 0x80040000u + 13081);
    EXPECT_EQ(static_cast<uint32_t>(ErrExternalWindow), 0x80040000u + 13084);
}

TEST_F(Registry, TheCellHoldsTheMessageForEveryHandlerCallEvenAfterANestedOne) {
    Handler last{"L", windows, registry, 0, 5};
    registry.Attach_Message(&a, 1, kPaint);
    registry.Attach_Message(&last, 1, kPaint);
    registry.Attach_Message(&b, 1, kHit);
    // A handler that sends another message through the window meanwhile.
    a.onCall = [this] { windows.Send(1, kHit); };
    take();
    windows.Send(1, kPaint);
    EXPECT_EQ(take(), (std::vector<std::string>{"A asks 133", "A 133 cell 133", "B asks 132", "B 132 cell 132",
                                                "B asks 132", "L 133 cell 133", "L asks 133"}));
    EXPECT_EQ(registry.p_CurrentMessage(), kPaint);
}

TEST_F(Registry, AHandlerDetachedDuringDispatchIsSkipped) {
    registry.Attach_Message(&a, 1, kPaint);
    registry.Attach_Message(&b, 1, kPaint);
    a.onCall = [this] { registry.Detach_Message(&b, 1, kPaint); };
    take();
    windows.Send(1, kPaint);
    EXPECT_EQ(take(), (std::vector<std::string>{"A asks 133", "A 133 cell 133", "A asks 133"}));
}

}  // namespace
}  // namespace ds::skin::test
