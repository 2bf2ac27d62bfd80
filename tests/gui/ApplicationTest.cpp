#include "core/Error.h"
#include "gui/Form.h"
#include "gui/Thread.h"
#include "gui/Timer.h"
#include "HeadlessTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace saver;
using saver::test::HeadlessApp;

namespace {

// A window that records what its window procedure receives.
class Recorder final : public MessageTarget {
public:
    explicit Recorder(Application& app) : m_app(app), Handle(app.RegisterWindow(this)) {}
    ~Recorder() override { m_app.UnregisterWindow(Handle); }
    void WndProc(Message& message) override
    {
        Received.push_back(message.Msg);
        if (message.Msg == WM_USER + 7)
            throw std::runtime_error("Handler failed");
        message.Result = LRESULT(message.WParam) * 2;
    }

    Application& m_app;
    HWND Handle;
    std::vector<uint32_t> Received;
};

} // namespace

TEST(Application, HookSeesQueuedMessagesAndCanStopTheirDispatch)
{
    HeadlessApp h;
    Recorder window(*h.App);
    std::vector<uint32_t> hooked;
    h.App->OnMessage = [&](Message& m, bool& handled) {
        hooked.push_back(m.Msg);
        handled = m.Msg == WM_RBUTTONDOWN;
    };
    h.App->PostMessage(window.Handle, WM_RBUTTONDOWN);
    h.App->PostMessage(window.Handle, WM_LBUTTONDOWN);
    h.App->ProcessMessages();
    EXPECT_EQ(hooked, (std::vector<uint32_t>{WM_RBUTTONDOWN, WM_LBUTTONDOWN}));
    EXPECT_EQ(window.Received, (std::vector<uint32_t>{WM_LBUTTONDOWN}));
}

TEST(Application, SentMessagesBypassTheHookAndReturnTheResult)
{
    HeadlessApp h;
    Recorder window(*h.App);
    bool hookCalled = false;
    h.App->OnMessage = [&](Message&, bool&) { hookCalled = true; };
    EXPECT_EQ(h.App->SendMessage(window.Handle, WM_KEYDOWN, 21), 42);
    EXPECT_FALSE(hookCalled);
    EXPECT_EQ(window.Received, (std::vector<uint32_t>{WM_KEYDOWN}));
}

TEST(Application, AFailingHandlerIsReportedAndTheLoopGoesOn)
{
    HeadlessApp h;
    h.App->SetTitle("Lumivex");
    Recorder window(*h.App);
    h.App->PostMessage(window.Handle, WM_USER + 7);
    h.App->PostMessage(window.Handle, WM_USER + 8);
    h.App->ProcessMessages();
    EXPECT_EQ(window.Received, (std::vector<uint32_t>{WM_USER + 7, WM_USER + 8}));
    EXPECT_EQ(h.Backend->MessageBoxes(), (std::vector<std::string>{"Lumivex: Handler failed"}));
}

TEST(Application, AThreadsFailureIsKeptForItsOwnerToReport)
{
    HeadlessApp h;
    h.App->SetTitle("Lumivex");
    class Failing final : public Thread {
    protected:
        void Execute() override { throw Exception("Frame failed"); }
    } failing;
    class Quiet final : public Thread {
    protected:
        void Execute() override {}
    } quiet;
    failing.Resume();
    quiet.Resume();
    failing.WaitFor();
    quiet.WaitFor();
    EXPECT_FALSE(quiet.FatalException());
    ASSERT_TRUE(failing.FatalException());
    EXPECT_TRUE(h.Backend->MessageBoxes().empty()) << "nothing is reported on the failing thread";
    h.App->HandleException(quiet.FatalException());
    h.App->HandleException(failing.FatalException());
    EXPECT_EQ(h.Backend->MessageBoxes(), (std::vector<std::string>{"Lumivex: Frame failed"}));
}

TEST(Application, PostingToADestroyedWindowFails)
{
    HeadlessApp h;
    HWND gone;
    {
        Recorder window(*h.App);
        gone = window.Handle;
    }
    EXPECT_FALSE(h.App->PostMessage(gone, WM_USER));
}

TEST(Application, TimersFireOnTheVirtualClock)
{
    HeadlessApp h;
    Timer timer;
    timer.SetInterval(1000);
    std::vector<uint32_t> ticks;
    timer.OnTimer = [&](Component*) { ticks.push_back(h.App->GetTickCount()); };
    h.RunUntil(5500);
    EXPECT_EQ(ticks, (std::vector<uint32_t>{1000, 2000, 3000, 4000, 5000}));
    timer.SetEnabled(false);
    h.RunUntil(8000);
    EXPECT_EQ(ticks.size(), 5u);
}

TEST(Application, TerminateEndsRunAndModalLoops)
{
    HeadlessApp h;
    Form form;
    Timer stop;
    stop.SetInterval(300);
    stop.OnTimer = [&](Component*) { h.App->Terminate(); };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_TRUE(h.App->Terminated());
    EXPECT_EQ(h.Backend->Now(), 300u);
}

TEST(Application, ClosingAModalFormEndsItsLoopOnly)
{
    HeadlessApp h;
    Form form;
    Timer closer;
    closer.SetInterval(100);
    closer.OnTimer = [&](Component*) { form.Close(); };
    bool closeHandlerRan = false;
    form.OnClose = [&](Component*, CloseAction&) { closeHandlerRan = true; };
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_TRUE(closeHandlerRan);
    EXPECT_FALSE(h.App->Terminated());
}

TEST(Application, ClosingTheMainFormEndsTheApplication)
{
    HeadlessApp h;
    Form& main = h.App->AddForm(std::make_unique<Form>());
    Timer closer;
    closer.SetInterval(100);
    closer.OnTimer = [&](Component*) { h.App->PostMessage(main.Handle(), WM_SYSCOMMAND, SC_CLOSE); };
    h.App->Run();
    EXPECT_EQ(h.Backend->Now(), 100u);
}

namespace {

// Sends messages to a window from its own thread, as the animation thread's
// synchronous repaint does.
class SendingThread final : public Thread {
public:
    SendingThread(HWND target, int count) : m_target(target), m_count(count) {}
    std::vector<LRESULT> Results;

protected:
    void Execute() override
    {
        for (int i = 0; i < m_count; ++i)
            Results.push_back(Application::Current().SendMessage(m_target, WM_USER, WPARAM(i)));
    }

private:
    HWND m_target;
    int m_count;
};

} // namespace

TEST(Application, WaitingForAThreadStillServesTheMessagesItSends)
{
    HeadlessApp h;
    Recorder window(*h.App);
    SendingThread thread(window.Handle, 50);
    thread.Resume();
    // Thread::WaitFor on the GUI thread must handle the sends, or this never returns.
    thread.WaitFor();
    ASSERT_EQ(thread.Results.size(), 50u);
    EXPECT_EQ(thread.Results[49], 98);
    EXPECT_EQ(window.Received.size(), 50u);
}

TEST(Application, MessagesSentFromAThreadAreHandledByTheLoop)
{
    HeadlessApp h;
    Recorder window(*h.App);
    SendingThread thread(window.Handle, 3);
    thread.Resume();
    h.RunUntil(10);
    thread.WaitFor();
    EXPECT_EQ(thread.Results, (std::vector<LRESULT>{0, 2, 4}));
}

TEST(Application, PostsFromAnotherThreadArriveInOrder)
{
    HeadlessApp h;
    Recorder window(*h.App);
    class Poster final : public Thread {
    public:
        explicit Poster(HWND w) : m_w(w) {}

    protected:
        void Execute() override
        {
            for (uint32_t i = 0; i < 100; ++i)
                Application::Current().PostMessage(m_w, WM_USER + 100 + i);
        }

    private:
        HWND m_w;
    } poster(window.Handle);
    poster.Resume();
    poster.WaitFor();
    h.App->ProcessMessages();
    ASSERT_EQ(window.Received.size(), 100u);
    for (uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(window.Received[i], WM_USER + 100 + i);
}
