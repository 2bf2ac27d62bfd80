#pragma once
// The transition control: shows one picture and moves from what it shows now
// to a new picture through a numbered transition style, frame by frame. The
// frames are advanced by an animation thread (the default), by a loop on the
// GUI thread that keeps handling messages, or by the application writing
// Progress itself (Manual).
//
// Threads: the GUI thread runs every public operation and message handler;
// the animation thread runs SetProgress, so the frame composition, the effect
// procedure and the OnBeforeNewFrame, OnCustomDraw, OnAfterNewFrame and
// OnProgress handlers. FrameLock serialises a change of Progress with the
// composition of its frame; FrameDoneEvent makes the thread wait until each
// frame has been painted.

#include "gdi/Bitmap.h"
#include "gui/Clock.h"
#include "gui/Control.h"
#include "gui/Picture.h"
#include "gui/Thread.h"
#include "transitions/PSEffect.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace saver {

class ComponentClasses;
class TCustomPicShow;

enum class TBackgroundMode { bmNone, bmTiled, bmStretched, bmCentered };

// Sender, the new picture and the frame (or old image, for OnStart).
using TCustomDrawEvent = std::function<void(Component* sender, Bitmap& picture, Bitmap& screen)>;

// The private message the animation thread posts when it ends.
constexpr uint32_t WM_ANIMATION_ENDED = WM_USER + 1;

class TAnimateThread final : public Thread {
public:
    explicit TAnimateThread(TCustomPicShow& control) : m_control(control) {}
    // Set when the body begins.
    std::atomic<bool> Started{false};

protected:
    void Execute() override;

private:
    TCustomPicShow& m_control;
};

class TCustomPicShow : public CustomControl {
public:
    TCustomPicShow();
    ~TCustomPicShow() override;

    // Pictures: writing copies (Assign); nullptr clears.
    Picture& GetPicture() { return m_picture; }
    void SetPicture(const Picture* picture) { m_picture.Assign(picture); }
    Picture& GetBgPicture() { return m_bgPicture; }
    void SetBgPicture(const Picture* picture) { m_bgPicture.Assign(picture); }

    [[nodiscard]] TBackgroundMode BgMode() const { return m_bgMode; }
    void SetBgMode(TBackgroundMode mode);
    [[nodiscard]] bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    [[nodiscard]] bool Center() const { return m_center; }
    void SetCenter(bool value);
    [[nodiscard]] bool Stretch() const { return m_stretch; }
    void SetStretch(bool value);
    [[nodiscard]] bool StretchFine() const { return m_stretchFine; }
    void SetStretchFine(bool value);
    [[nodiscard]] bool OverDraw() const { return m_overDraw; }
    void SetOverDraw(bool value) { m_overDraw = value; }
    [[nodiscard]] bool Threaded() const { return m_threaded; }
    void SetThreaded(bool value) { m_threaded = value; }
    [[nodiscard]] ThreadPriority GetThreadPriority() const { return m_threadPriority; }
    void SetThreadPriority(ThreadPriority value) { m_threadPriority = value; }
    [[nodiscard]] bool Manual() const { return m_manual; }
    void SetManual(bool value);
    [[nodiscard]] TShowStyle Style() const { return m_style; }
    // Takes any unsigned value so that one out of range (above 150) is seen
    // and ignored rather than narrowed into range.
    void SetStyle(uint32_t value);
    [[nodiscard]] std::string StyleName() const;
    void SetStyleName(const std::string& name);
    [[nodiscard]] uint16_t Step() const { return m_step; }
    void SetStep(uint16_t value);
    [[nodiscard]] uint16_t Delay() const { return m_delay; }
    void SetDelay(uint16_t value) { m_delay = value; }
    [[nodiscard]] bool Reverse() const { return m_reverse; }
    void SetReverse(bool value) { m_reverse = value; }

    [[nodiscard]] uint8_t Progress() const { return m_progress; }
    void SetProgress(uint32_t value);
    [[nodiscard]] bool Busy() const { return m_busy; }

    virtual void Execute();
    virtual void Stop();
    virtual void Clear();

    NotifyEvent OnChange;
    NotifyEvent OnProgress;
    NotifyEvent OnComplete;
    TCustomDrawEvent OnCustomDraw;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;
    TCustomDrawEvent OnBeforeNewFrame;
    TCustomDrawEvent OnAfterNewFrame;
    TCustomDrawEvent OnStart;
    NotifyEvent OnStop;

    // The frame being composed and shown (kept after a transition).
    [[nodiscard]] const Bitmap& FrameBitmap() const { return *m_frameBitmap; }
    [[nodiscard]] const Rect& PicRect() const { return m_picRect; }

    // The largest rectangle with a's proportions that fits in b, centred.
    static Rect AspectFit(const Rect& a, const Rect& b);

protected:
    friend class TAnimateThread;

    // Ends a transition under way without events, for destruction. The most
    // derived destructor calls it first: the animation thread calls virtual
    // operations, which must not meet a destructor changing the object's
    // dynamic type.
    void StopBeforeDestruction();

    void Paint() override;
    virtual void PaintBackground(Canvas& canvas, const Rect& rect);
    virtual void DoChange();
    virtual void DoProgress();
    virtual void DoCustomDraw(Bitmap& picture, Bitmap& screen);
    virtual void DoBeforeNewFrame(Bitmap& picture, Bitmap& screen);
    virtual void DoAfterNewFrame(Bitmap& picture, Bitmap& screen);
    virtual void DoComplete();
    virtual void DoStart(Bitmap& picture, Bitmap& screen);
    virtual void DoStop();
    // Whether DoBeforeNewFrame may draw without OnBeforeNewFrame assigned.
    // When neither draws, a frame is composed in one pass (the same pixels,
    // written once). True here, since a class derived from this one may
    // override DoBeforeNewFrame; such a class that does not may answer false.
    [[nodiscard]] virtual bool DrawsBeforeNewFrame() const { return true; }

    void WMPaint(Message& message) override;
    void WMEraseBkgnd(Message& message) override;
    void WMSize(Message& message) override;
    void WMDestroy(Message& message) override;
    void DefaultHandler(Message& message) override;

private:
    void Prepare();
    void Animate();
    // One step of the step rule; true when the end has been reached.
    bool AnimationStep();
    void UpdateFrame();
    bool WaitForThread();
    void Finish();
    void CalcPicRect();
    void InvalidateFrameRect(Rect r);
    void TileGraphic(Canvas& canvas, const Rect& rect, const Graphic* graphic);
    void PictureChanged();
    void BgPictureChanged();
    void AdjustToPicture();
    void AnimationEnded();
    [[nodiscard]] bool Invalidatable() const { return !m_frameBitmap->Empty() && !m_painting; }

    Picture m_picture;
    Picture m_bgPicture;
    TBackgroundMode m_bgMode = TBackgroundMode::bmTiled;
    bool m_autoSize = true;
    // Read by the animation thread when it invalidates a frame.
    std::atomic<bool> m_center{false};
    std::atomic<bool> m_stretch{false};
    std::atomic<bool> m_stretchFine{false};
    bool m_overDraw = true;
    bool m_threaded = true;
    ThreadPriority m_threadPriority = ThreadPriority::tpNormal;
    std::atomic<bool> m_manual{false};
    std::atomic<TShowStyle> m_style{51};
    std::atomic<uint16_t> m_step{4};
    std::atomic<uint16_t> m_delay{40};
    std::atomic<uint8_t> m_progress{0};
    std::atomic<bool> m_reverse{false};
    std::atomic<bool> m_busy{false};

    std::unique_ptr<Bitmap> m_frameBitmap;
    Rect m_picRect;     // under m_frameLock
    Rect m_frameClient; // the client rectangle, under m_frameLock
    std::unique_ptr<TAnimateThread> m_thread;
    bool m_painting = false;
    Bitmap m_backBuffer{PixelFormat::pfDevice};
    std::atomic<bool> m_stopping{false};
    bool m_needBackground = true;
    std::unique_ptr<Bitmap> m_oldImage;
    std::unique_ptr<Bitmap> m_newImage;
    int32_t m_picWidth = 0;
    int32_t m_picHeight = 0;
    std::recursive_mutex m_frameLock;
    Event m_frameDoneEvent;
    bool m_controlDestroying = false;
};

// The published control (all behaviour lives in TCustomPicShow).
class TPicShow final : public TCustomPicShow {
public:
    TPicShow() = default;
    ~TPicShow() override { StopBeforeDestruction(); }

protected:
    // DoBeforeNewFrame is the base's: only OnBeforeNewFrame draws.
    [[nodiscard]] bool DrawsBeforeNewFrame() const override { return false; }
};

// Makes TPicShow, with its published properties, known to stored
// descriptions.
void RegisterPicShowClass(ComponentClasses& classes);

} // namespace saver
