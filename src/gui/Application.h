#pragma once
// The application object: the GUI thread's message queue and loop, the
// application-wide message hook, timers, window handles, and the default
// error report. Messages use the Win32 numbers and order: messages sent from
// other threads first, then posted and input messages, then paint, then timer
// messages.

#include "gui/Backend.h"
#include "gui/Messages.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace saver {

class Control;
class Form;
class WinControl;

// Anything that has a window handle and a window procedure.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual void WndProc(Message& message) = 0;
};

class Application final : public InputSink {
public:
    explicit Application(Backend& backend);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The application of this process (the one most recently constructed).
    static Application& Current();
    static bool Exists();

    Backend& GetBackend() { return m_backend; }
    Clock& GetClock() { return m_backend.GetClock(); }
    uint32_t GetTickCount() { return GetClock().GetTickCount(); }

    void Initialize() { m_initialized = true; }
    [[nodiscard]] bool Initialized() const { return m_initialized; }
    void SetTitle(const std::string& title) { m_title = title; }
    [[nodiscard]] const std::string& Title() const { return m_title; }

    // Takes ownership of a form; the first one becomes the main form. The
    // form's OnCreate has run already (see Form::Create).
    Form& AddForm(std::unique_ptr<Form> form);
    [[nodiscard]] Form* MainForm() const { return m_mainForm; }

    // Shows the main form and runs the message loop until the application
    // is told to terminate.
    void Run();
    // Posts the quit message; the loop ends when it is retrieved.
    void Terminate();
    [[nodiscard]] bool Terminated() const { return m_terminated; }

    // Retrieves and dispatches one message, or waits for one.
    void HandleMessage();
    // Dispatches every pending message and returns.
    void ProcessMessages();

    // The application-wide hook: sees every message retrieved from the queue
    // before it is dispatched, and may set handled to stop the dispatch.
    std::function<void(Message& message, bool& handled)> OnMessage;

    // Thread-safe; false when the window does not exist.
    bool PostMessage(HWND window, uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Synchronous; bypasses the hook. From another thread it waits until the
    // GUI thread has handled the message (which it does whenever it looks at
    // its queue or waits in WaitServingSentMessages).
    LRESULT SendMessage(HWND window, uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Message timers (SetTimer): WM_TIMER with wParam id every intervalMs.
    void SetTimer(HWND window, uintptr_t id, uint32_t intervalMs);
    void KillTimer(HWND window, uintptr_t id);

    // Removes the first queued message `msg` for `window` and dispatches it
    // (bypassing the hook); false when there is none.
    bool DispatchPostedMessage(HWND window, uint32_t msg);

    // Waits on the GUI thread until ready() holds or the time-out passes,
    // handling messages that other threads send meanwhile.
    bool WaitServingSentMessages(const std::function<bool()>& ready, uint32_t timeoutMs);
    [[nodiscard]] bool IsGuiThread() const { return std::this_thread::get_id() == m_guiThread; }

    // The default error report: a message box with the error's text.
    void HandleException(const std::exception& error);
    // The same for a failure carried from another thread (nothing for none).
    void HandleException(const std::exception_ptr& error);
    void MessageBox(const std::string& text, const std::string& caption);

    // Window handles.
    HWND RegisterWindow(MessageTarget* target);
    void UnregisterWindow(HWND window);
    [[nodiscard]] MessageTarget* FindTarget(HWND window) const;
    // Paint bookkeeping: a window with a non-empty update region gets
    // WM_PAINT when the queue is otherwise empty.
    void SetNeedsPaint(HWND window, bool needsPaint);

    // Top-level windows in z-order (bottom first) for hit-testing and focus.
    void TopLevelShown(Form* form);
    void TopLevelHidden(Form* form);
    [[nodiscard]] Form* ActiveForm() const;
    void SetFocusedWindow(HWND window) { m_focus = window; }

    // The control under the pointer: the topmost visible one, windowless
    // controls included, as the last mouse move taken from the queue found
    // it; nullptr over none of ours. Only it is "inside": a parent counts as
    // left while the pointer is over one of its children. Disabled controls
    // count. Whenever it changes, the old one gets CM_MOUSELEAVE and then the
    // new one CM_MOUSEENTER, each once, when the move is taken from the queue
    // (before the hook and the window see the move itself).
    [[nodiscard]] Control* MouseControl() const { return m_mouseControl; }
    // A control was hidden: if it or one of its children was under the
    // pointer, that one is left and whatever is under the pointer now is
    // entered.
    void ControlHidden(Control* control);
    // A window is about to be destroyed with its children, all still intact:
    // the one of them under the pointer is left.
    void WindowDestroying(WinControl* window);
    // A control is being destroyed: it is forgotten without notification
    // (what would handle it is gone already).
    void ControlDestroyed(Control* control);

    // Dispatches to a window procedure, reporting failures; used by both the
    // queue and SendMessage.
    LRESULT Dispatch(Message& message);

    // InputSink: native events become queued messages.
    void MouseMoved(Point screen) override;
    void MouseButton(uint32_t downOrUpMessage, Point screen) override;
    void MouseOn(HWND window, uint32_t message, Point screen) override;
    void Key(uint32_t downOrUpMessage, uint16_t virtualKey) override;
    void SystemCommand(WPARAM command) override;
    void TerminateRequested() override;
    void HostWindowDestroyed(HWND host) override;

private:
    struct SentMessage {
        Message Msg;
        std::atomic<bool> Done{false};
    };
    struct TimerEntry {
        HWND Window;
        uintptr_t Id;
        uint32_t Interval;
        uint32_t Due;
    };

    bool PeekMessage(Message& out);
    bool ProcessMessage();
    void Idle();
    void ServeSentMessages();
    // Aimed at `target`, else at the window under the point.
    void QueueInput(uint32_t msg, WPARAM wParam, Point screen, WinControl* target = nullptr);
    [[nodiscard]] WinControl* WindowFromPoint(Point screen) const;
    [[nodiscard]] Control* ControlFromPoint(Point screen) const;
    // A mouse move taken from the queue: where the pointer is now.
    void TrackPointer(const Message& move);
    void UpdateMouseControl();
    void Notify(Control* control, uint32_t msg);
    [[nodiscard]] bool HasWork();
    void DestroyForms();

    Backend& m_backend;
    std::thread::id m_guiThread;
    bool m_initialized = false;
    std::string m_title;
    std::vector<std::unique_ptr<Form>> m_forms;
    Form* m_mainForm = nullptr;
    std::atomic<bool> m_terminated{false};

    mutable std::mutex m_queueMutex;
    std::deque<Message> m_posted;
    std::deque<SentMessage*> m_sent;
    std::atomic<bool> m_quitPosted{false};

    std::vector<TimerEntry> m_timers;
    std::map<HWND, MessageTarget*> m_windows;
    std::set<HWND> m_needsPaint;
    HWND m_nextHandle = 0x100;
    std::vector<Form*> m_zOrder;
    HWND m_focus = 0;
    Control* m_mouseControl = nullptr;
    std::optional<Point> m_pointer; // screen position of the last mouse move
    uint32_t m_backendDue = 0; // absolute tick when the backend wants a pump
    bool m_backendDueSet = false;
};

} // namespace saver
