#include "transitions/PicShow.h"

#include "core/MulDiv.h"
#include "gdi/Canvas.h"
#include "gui/Application.h"
#include "transitions/FrameComposer.h"
#include "transitions/PSEffect.h"

#include <algorithm>

namespace saver {

// ------------------------------------------------------------ TAnimateThread

void TAnimateThread::Execute()
{
    Started = true;
    Clock& clock = Application::Current().GetClock();
    struct PostEnd {
        TCustomPicShow& Control;
        ~PostEnd() { Application::Current().PostMessage(Control.Handle(), WM_ANIMATION_ENDED, 0, 0); }
    } postEnd{m_control};
    while (!Terminated()) {
        const uint32_t t0 = clock.GetTickCount();
        // Wait until the previous frame has been painted.
        m_control.m_frameDoneEvent.Wait();
        if (Terminated())
            return;
        m_control.m_frameDoneEvent.Reset();
        if (m_control.AnimationStep())
            Terminate();
        if (!Terminated()) {
            const int32_t wait = int32_t(m_control.Delay()) - int32_t(clock.GetTickCount() - t0);
            if (wait >= 0)
                clock.Sleep(uint32_t(wait));
        }
    }
}

// ------------------------------------------------------------ TCustomPicShow

TCustomPicShow::TCustomPicShow()
    : m_frameBitmap(std::make_unique<Bitmap>(PixelFormat::pfDevice)),
      m_frameDoneEvent(Application::Current().GetClock(), true)
{
    m_picture.OnChange = [this] { PictureChanged(); };
    m_bgPicture.OnChange = [this] { BgPictureChanged(); };
    SetBounds(Left(), Top(), 100, 100);
}

TCustomPicShow::~TCustomPicShow() { StopBeforeDestruction(); }

void TCustomPicShow::StopBeforeDestruction()
{
    m_controlDestroying = true;
    Stop();
}

void TCustomPicShow::SetBgMode(TBackgroundMode mode)
{
    if (mode == m_bgMode)
        return;
    m_bgMode = mode;
    if (m_bgPicture.HasGraphic() && !m_painting)
        Invalidate();
}

void TCustomPicShow::SetAutoSize(bool value)
{
    if (value == m_autoSize)
        return;
    m_autoSize = value;
    if (value)
        AdjustToPicture();
}

void TCustomPicShow::SetCenter(bool value)
{
    if (value == m_center)
        return;
    m_center = value;
    if (m_picture.HasGraphic()) {
        CalcPicRect();
        if (Invalidatable())
            Invalidate();
    }
}

void TCustomPicShow::SetStretch(bool value)
{
    if (value == m_stretch)
        return;
    m_stretch = value;
    if (Invalidatable())
        Invalidate();
}

void TCustomPicShow::SetStretchFine(bool value)
{
    if (value == m_stretchFine)
        return;
    m_stretchFine = value;
    if (Invalidatable())
        Invalidate();
}

void TCustomPicShow::SetStep(uint16_t value) { m_step = std::clamp<uint16_t>(value, 1, 100); }

void TCustomPicShow::SetStyle(uint32_t value)
{
    if (value == m_style || value > kLastShowStyle)
        return;
    const TShowStyle style = TShowStyle(value);
    if (m_busy && StyleNeeds32Bit(style) && !StyleNeeds32Bit(m_style)) {
        // The style works on four bytes a pixel; switch both bitmaps, taking
        // one canvas lock at a time.
        if (m_newImage) {
            CanvasLock lock(m_newImage->GetCanvas());
            m_newImage->SetPixelFormat(PixelFormat::pf32bit);
        }
        CanvasLock lock(m_frameBitmap->GetCanvas());
        m_frameBitmap->SetPixelFormat(PixelFormat::pf32bit);
    }
    m_style = style;
}

std::string TCustomPicShow::StyleName() const { return std::string(ShowStyleName(m_style)); }

void TCustomPicShow::SetStyleName(const std::string& name)
{
    if (const std::optional<TShowStyle> style = FindShowStyleByName(name))
        SetStyle(*style);
}

void TCustomPicShow::SetManual(bool value)
{
    if (value == m_manual)
        return;
    m_manual = value;
    WaitForThread();
    if (!m_busy)
        m_progress = m_reverse ? 100 : 0;
    else if (!m_manual)
        Animate();
}

// --------------------------------------------------------------- transitions

void TCustomPicShow::Execute()
{
    if (!m_picture.HasGraphic() || m_busy)
        return;
    m_busy = true;
    HandleNeeded();
    try {
        Prepare();
        if (!m_manual && !m_stopping)
            Animate();
    } catch (...) {
        m_newImage.reset();
        m_oldImage.reset();
        m_busy = false;
        throw;
    }
}

void TCustomPicShow::Prepare()
{
    m_picWidth = m_picture.Width();
    m_picHeight = m_picture.Height();
    m_frameBitmap->SetSize(m_picWidth, m_picHeight);
    CalcPicRect();

    const Rect client = ClientRect();
    const Rect source = m_stretch ? (m_stretchFine ? AspectFit(m_picRect, client) : client) : m_picRect;

    m_oldImage = std::make_unique<Bitmap>(m_picWidth, m_picHeight, PixelFormat::pfDevice);
    Canvas& old = m_oldImage->GetCanvas();
    old.Brush.Color = Color();
    old.FillRect({0, 0, m_picWidth, m_picHeight});
    if (m_needBackground || !m_overDraw)
        PaintBackground(m_backBuffer.GetCanvas(), client);
    old.SetStretchBltMode(StretchMode::COLORONCOLOR);
    old.CopyRect({0, 0, m_picWidth, m_picHeight}, m_backBuffer.GetCanvas(), source);

    m_newImage = std::make_unique<Bitmap>(PixelFormat::pf24bit);
    try {
        m_picture.GetGraphic()->AssignTo(*m_newImage);
    } catch (const std::exception&) {
        // A graphic that cannot become a bitmap is drawn onto one instead.
        m_newImage->SetSize(m_picWidth, m_picHeight);
        m_picture.GetGraphic()->Draw(m_newImage->GetCanvas(), 0, 0);
    }
    if (StyleNeeds32Bit(m_style)) {
        m_newImage->SetPixelFormat(PixelFormat::pf32bit);
        m_frameBitmap->SetPixelFormat(PixelFormat::pf32bit);
    } else {
        // The new image in the frame's format too: every copy of a frame is
        // then a plain row copy or gather, with the same pixels.
        m_newImage->SetPixelFormat(PixelFormat::pfDevice);
        m_frameBitmap->SetPixelFormat(PixelFormat::pfDevice);
    }
    m_progress = m_reverse ? 100 : 0;
    DoStart(*m_newImage, *m_oldImage);
}

void TCustomPicShow::SetProgress(uint32_t value)
{
    value = std::min<uint32_t>(value, 100);
    if (!m_busy || value == m_progress)
        return;
    {
        std::lock_guard lock(m_frameLock);
        m_progress = uint8_t(value);
        UpdateFrame();
    }
    if (GetUpdateRect(nullptr))
        Update(); // the paint's last act signals FrameDoneEvent
    else
        m_frameDoneEvent.Set();
    DoProgress();
}

bool TCustomPicShow::AnimationStep()
{
    const uint32_t step = m_step, progress = m_progress;
    if (!m_reverse) {
        SetProgress(progress < 100 - step ? progress + step : 100);
        return m_progress == 100;
    }
    SetProgress(progress > step ? progress - step : 0);
    return m_progress == 0;
}

void TCustomPicShow::Animate()
{
    if (m_threaded) {
        // No frame of a new driver is waiting to be painted. The last step of
        // an earlier thread may have changed nothing (Progress written to its
        // end meanwhile), leaving the hand-shake closed with no paint to come.
        m_frameDoneEvent.Set();
        m_thread = std::make_unique<TAnimateThread>(*this);
        m_thread->Priority = m_threadPriority;
        m_thread->Resume();
        return;
    }
    // The message-pumping loop on the GUI thread. A Stop handled while it
    // pumps finishes the transition; the loop then ends because the
    // transition is no longer busy.
    Application& app = Application::Current();
    bool done = false;
    do {
        const uint32_t t0 = app.GetTickCount();
        if (AnimationStep()) {
            done = !m_manual;
        } else {
            while (app.GetTickCount() - t0 <= m_delay && !m_manual && !m_stopping && m_busy) {
                app.ProcessMessages();
                if (app.GetTickCount() - t0 <= m_delay && !m_manual && !m_stopping && m_busy)
                    app.GetClock().Sleep(1);
            }
        }
    } while (!done && !m_manual && !m_stopping && m_busy);
    if (m_busy && (m_stopping || !m_manual))
        Finish();
}

void TCustomPicShow::UpdateFrame()
{
    CanvasLock newLock(m_newImage->GetCanvas());
    CanvasLock frameLock(m_frameBitmap->GetCanvas());
    const Rect r{0, 0, m_picWidth, m_picHeight};
    const uint8_t progress = m_progress;
    const TShowStyle style = m_style;
    // With nothing to draw between the old image and the effect, a style's
    // frame is composed in one pass.
    const bool drawsBefore = OnBeforeNewFrame || DrawsBeforeNewFrame();
    if (!drawsBefore && style != 0 && progress != 0 && progress != 100) {
        CanvasLock oldLock(m_oldImage->GetCanvas());
        ComposeShowFrame(style, *m_frameBitmap, *m_oldImage, *m_newImage, r, m_step, progress);
    } else {
        {
            CanvasLock oldLock(m_oldImage->GetCanvas());
            m_frameBitmap->GetCanvas().Draw(0, 0, *m_oldImage);
        }
        DoBeforeNewFrame(*m_newImage, *m_frameBitmap);
        if (progress == 100)
            m_frameBitmap->GetCanvas().Draw(0, 0, *m_newImage);
        else if (progress != 0 && style == 0)
            DoCustomDraw(*m_newImage, *m_frameBitmap);
        else if (progress != 0)
            FindShowStyle(style)->Proc(*m_frameBitmap, *m_newImage, r, m_step, progress);
    }
    InvalidateFrameRect(r);
    DoAfterNewFrame(*m_newImage, *m_frameBitmap);
}

void TCustomPicShow::Stop()
{
    if (!m_busy || m_stopping)
        return;
    m_stopping = true;
    try {
        if (m_manual || !WaitForThread())
            Finish();
    } catch (...) {
        m_stopping = false;
        throw;
    }
    m_stopping = false;
}

bool TCustomPicShow::WaitForThread()
{
    if (!m_thread)
        return false;
    m_thread->Terminate();
    m_frameDoneEvent.Set(); // a thread blocked on it wakes
    m_thread->WaitFor();    // handles the thread's synchronous repaints meanwhile
    Application& app = Application::Current();
    if (m_thread->Started) {
        // Its end message is queued by now; if posting it failed, handle the
        // end here rather than wait for a message that will never come.
        while (m_thread) {
            if (!app.DispatchPostedMessage(Handle(), WM_ANIMATION_ENDED))
                AnimationEnded();
        }
    } else {
        app.SendMessage(Handle(), WM_ANIMATION_ENDED);
    }
    return true;
}

void TCustomPicShow::Finish()
{
    m_busy = false;
    m_newImage.reset();
    m_oldImage.reset();
    if (m_controlDestroying)
        return;
    if (!m_stopping)
        DoComplete();
    DoStop();
}

void TCustomPicShow::AnimationEnded()
{
    std::exception_ptr failure;
    if (m_thread) {
        m_thread->WaitFor();
        failure = m_thread->FatalException();
        m_thread.reset();
    }
    // A failure on the animation thread ends the transition and is reported
    // here, as a failure on this thread is.
    if (m_stopping || !m_manual || failure)
        Finish();
    Application::Current().HandleException(failure);
}

void TCustomPicShow::Clear()
{
    if (m_busy || m_frameBitmap->Empty())
        return;
    m_frameBitmap = std::make_unique<Bitmap>(PixelFormat::pfDevice);
    Invalidate();
}

// ------------------------------------------------------------------ geometry

void TCustomPicShow::CalcPicRect()
{
    std::lock_guard lock(m_frameLock);
    if (m_frameBitmap->Empty())
        return;
    const int32_t w = m_frameBitmap->Width(), h = m_frameBitmap->Height();
    m_picRect = {0, 0, w, h};
    if (m_center)
        m_picRect.Offset((ClientWidth() - w) / 2, (ClientHeight() - h) / 2);
}

Rect TCustomPicShow::AspectFit(const Rect& a, const Rect& b)
{
    const int32_t aw = a.Width(), ah = a.Height(), bw = b.Width(), bh = b.Height();
    int32_t width, height;
    if (double(bh) / double(ah) > double(bw) / double(aw)) {
        width = bw;
        height = MulDiv(ah, bw, aw);
    } else {
        width = MulDiv(aw, bh, ah);
        height = bh;
    }
    return Rect{0, 0, width, height}.Offsetted(b.Left + (bw - width) / 2, b.Top + (bh - height) / 2);
}

void TCustomPicShow::InvalidateFrameRect(Rect r)
{
    Rect pic;
    Rect client;
    {
        std::lock_guard lock(m_frameLock);
        pic = m_picRect;
        client = m_frameClient;
    }
    if (m_stretch) {
        const Rect t = m_stretchFine ? AspectFit(pic, client) : client;
        r = {t.Left + MulDiv(r.Left, t.Width(), pic.Width()), t.Top + MulDiv(r.Top, t.Height(), pic.Height()),
             t.Left + MulDiv(r.Right, t.Width(), pic.Width()), t.Top + MulDiv(r.Bottom, t.Height(), pic.Height())};
    } else {
        if (m_center)
            r.Offset(pic.Left, pic.Top);
        r.Intersect(pic);
    }
    if (HandleAllocated())
        InvalidateRect(r);
}

// ------------------------------------------------------------------ painting

void TCustomPicShow::Paint()
{
    CanvasLock backLock(m_backBuffer.GetCanvas());
    const Rect client = ClientRect();
    PaintBackground(m_backBuffer.GetCanvas(), client);
    {
        CanvasLock frameLock(m_frameBitmap->GetCanvas());
        if (!m_frameBitmap->Empty()) {
            Canvas& back = m_backBuffer.GetCanvas();
            if (!m_stretch)
                back.Draw(m_picRect.Left, m_picRect.Top, *m_frameBitmap);
            else if (m_stretchFine)
                back.StretchDraw(AspectFit(m_picRect, client), *m_frameBitmap);
            else
                back.StretchDraw(client, *m_frameBitmap);
        }
    }
    GetCanvas().Draw(0, 0, m_backBuffer);
    m_needBackground = false;
}

void TCustomPicShow::PaintBackground(Canvas& canvas, const Rect& rect)
{
    canvas.Brush.Color = Color();
    canvas.FillRect(rect);
    const Graphic* graphic = m_bgPicture.GetGraphic();
    if (!graphic)
        return;
    switch (m_bgMode) {
    case TBackgroundMode::bmTiled:
        TileGraphic(canvas, rect, graphic);
        break;
    case TBackgroundMode::bmStretched:
        graphic->StretchDraw(canvas, rect);
        break;
    case TBackgroundMode::bmCentered:
        graphic->Draw(canvas, (rect.Width() - graphic->Width()) / 2, (rect.Height() - graphic->Height()) / 2);
        break;
    case TBackgroundMode::bmNone:
        break;
    }
}

void TCustomPicShow::TileGraphic(Canvas& canvas, const Rect& rect, const Graphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    const int32_t rows = rect.Height() / graphic->Height() + 1;
    const int32_t columns = rect.Width() / graphic->Width() + 1;
    for (int32_t i = 0; i < rows; ++i)
        for (int32_t j = 0; j < columns; ++j)
            graphic->Draw(canvas, rect.Left + j * graphic->Width(), rect.Top + i * graphic->Height());
}

void TCustomPicShow::PictureChanged()
{
    if (m_controlDestroying)
        return;
    if (m_picture.HasGraphic() && m_autoSize)
        AdjustToPicture();
    DoChange();
}

void TCustomPicShow::BgPictureChanged()
{
    if (m_bgMode != TBackgroundMode::bmNone && !m_painting)
        Invalidate();
}

void TCustomPicShow::AdjustToPicture()
{
    if (!m_picture.HasGraphic() || GetAlign() == Align::alClient)
        return;
    const int32_t w = GetAlign() == Align::alTop || GetAlign() == Align::alBottom ? ClientWidth() : m_picture.Width();
    const int32_t h = GetAlign() == Align::alLeft || GetAlign() == Align::alRight ? ClientHeight() : m_picture.Height();
    SetClientSize(w, h);
}

// ------------------------------------------------------------------ messages

void TCustomPicShow::WMPaint(Message& message)
{
    if (m_painting)
        return;
    m_painting = true;
    try {
        CustomControl::WMPaint(message);
    } catch (...) {
        m_frameDoneEvent.Set();
        m_painting = false;
        throw;
    }
    m_frameDoneEvent.Set();
    m_painting = false;
}

void TCustomPicShow::WMEraseBkgnd(Message& message) { message.Result = 1; }

void TCustomPicShow::WMSize(Message& message)
{
    CustomControl::WMSize(message);
    {
        CanvasLock lock(m_backBuffer.GetCanvas());
        m_backBuffer.SetSize(ClientWidth(), ClientHeight());
    }
    {
        std::lock_guard lock(m_frameLock);
        m_frameClient = ClientRect();
    }
    if (m_picture.HasGraphic()) {
        CalcPicRect();
        if (Invalidatable())
            Invalidate();
    }
}

void TCustomPicShow::WMDestroy(Message& message)
{
    Stop();
    CustomControl::WMDestroy(message);
}

void TCustomPicShow::DefaultHandler(Message& message)
{
    if (message.Msg == WM_ANIMATION_ENDED) {
        AnimationEnded();
        return;
    }
    CustomControl::DefaultHandler(message);
    if (message.Msg == CM_MOUSEENTER && OnMouseEnter)
        OnMouseEnter(this);
    else if (message.Msg == CM_MOUSELEAVE && OnMouseLeave)
        OnMouseLeave(this);
}

// -------------------------------------------------------------------- events

void TCustomPicShow::DoChange()
{
    if (OnChange)
        OnChange(this);
}
void TCustomPicShow::DoProgress()
{
    if (OnProgress)
        OnProgress(this);
}
void TCustomPicShow::DoCustomDraw(Bitmap& picture, Bitmap& screen)
{
    if (OnCustomDraw)
        OnCustomDraw(this, picture, screen);
}
void TCustomPicShow::DoBeforeNewFrame(Bitmap& picture, Bitmap& screen)
{
    if (OnBeforeNewFrame)
        OnBeforeNewFrame(this, picture, screen);
}
void TCustomPicShow::DoAfterNewFrame(Bitmap& picture, Bitmap& screen)
{
    if (OnAfterNewFrame)
        OnAfterNewFrame(this, picture, screen);
}
void TCustomPicShow::DoComplete()
{
    if (OnComplete)
        OnComplete(this);
}
void TCustomPicShow::DoStart(Bitmap& picture, Bitmap& screen)
{
    if (OnStart)
        OnStart(this, picture, screen);
}
void TCustomPicShow::DoStop()
{
    if (OnStop)
        OnStop(this);
}

} // namespace saver
