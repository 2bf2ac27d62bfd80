#include "gui/Control.h"

#include "gdi/Bitmap.h"
#include "gui/Form.h"

#include <algorithm>

namespace saver {

// ---------------------------------------------------------------- Control

Control::Control()
{
    m_font.OnChange = [this] {
        m_parentFont = false;
        FontChanged();
        for (Control* child : Children())
            child->TakeParentFont();
    };
}

Control::~Control()
{
    if (Application::Exists())
        Application::Current().ControlDestroyed(this);
    if (m_parent)
        m_parent->RemoveChild(this);
}

void Control::SetParent(WinControl* parent)
{
    if (parent == m_parent)
        return;
    if (m_parent) {
        Invalidate();
        m_parent->RemoveChild(this);
    }
    m_parent = parent;
    if (m_parent) {
        m_parent->AddChild(this);
        TakeParentFont();
        TakeParentShowHint();
        if (m_align != Align::alNone)
            m_parent->AlignControls();
        Invalidate();
    }
}

void Control::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    const Rect bounds = Rect::FromSize(left, top, std::max(width, 0), std::max(height, 0));
    if (bounds == m_bounds)
        return;
    const Rect old = m_bounds;
    if (auto* window = dynamic_cast<WinControl*>(this)) {
        // Another thread may be invalidating the window, reading its bounds.
        std::lock_guard lock(window->m_updateMutex);
        m_bounds = bounds;
    } else {
        m_bounds = bounds;
    }
    BoundsChanged(old);
}

void Control::BoundsChanged(const Rect& oldBounds)
{
    if (m_parent && m_visible) {
        m_parent->InvalidateRect(oldBounds);
        m_parent->InvalidateRect(m_bounds);
    }
}

void Control::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (!visible && m_parent)
        m_parent->InvalidateRect(m_bounds); // the parent repaints what the control covered
    m_visible = visible;
    if (m_parent && m_align != Align::alNone)
        m_parent->AlignControls();
    if (visible)
        Invalidate();
    else if (Application::Exists())
        Application::Current().ControlHidden(this);
}

bool Control::Showing() const { return m_visible && m_parent && m_parent->Showing(); }

void Control::SetColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    m_parentColor = false;
    Invalidate();
    ColorChanged();
}

void Control::SetParentColor(bool parentColor)
{
    m_parentColor = parentColor;
    if (parentColor && m_parent && m_color != m_parent->Color()) {
        m_color = m_parent->Color();
        Invalidate();
        ColorChanged();
    }
}

std::vector<Control*> Control::Children() const
{
    if (const auto* window = dynamic_cast<const WinControl*>(this))
        return window->Controls();
    return {};
}

void Control::SetParentFont(bool parentFont)
{
    m_parentFont = parentFont;
    TakeParentFont();
}

void Control::TakeParentFont()
{
    if (!m_parentFont || !m_parent)
        return;
    m_font.Assign(m_parent->m_font);
    // Taking the parent's font is no change of our own.
    m_parentFont = true;
}

void Control::SetShowHint(bool showHint)
{
    if (showHint == m_showHint)
        return;
    m_parentShowHint = false;
    StoreShowHint(showHint);
}

void Control::SetParentShowHint(bool parentShowHint)
{
    m_parentShowHint = parentShowHint;
    TakeParentShowHint();
}

void Control::TakeParentShowHint()
{
    if (m_parentShowHint && m_parent)
        StoreShowHint(m_parent->m_showHint);
}

void Control::StoreShowHint(bool showHint)
{
    if (showHint == m_showHint)
        return;
    m_showHint = showHint;
    for (Control* child : Children())
        child->TakeParentShowHint();
}

void Control::SetAlign(Align align)
{
    if (align == m_align)
        return;
    m_align = align;
    if (m_parent)
        m_parent->AlignControls();
}

void Control::Invalidate()
{
    if (m_parent && m_visible)
        m_parent->InvalidateRect(m_bounds);
}

void Control::Update()
{
    if (m_parent)
        m_parent->Update();
}

Point Control::ClientToScreen(Point p) const
{
    for (const Control* c = this; c; c = c->m_parent)
        p = p.Translated(c->m_bounds.Left, c->m_bounds.Top);
    return p;
}

Point Control::ScreenToClient(Point p) const
{
    const Point origin = ClientToScreen({0, 0});
    return p.Translated(-origin.X, -origin.Y);
}

Form* Control::ParentForm() const
{
    const Control* c = this;
    while (c->m_parent)
        c = c->m_parent;
    return dynamic_cast<Form*>(const_cast<Control*>(c));
}

LRESULT Control::Perform(uint32_t msg, WPARAM wParam, LPARAM lParam)
{
    Message message;
    if (const auto* window = dynamic_cast<const WinControl*>(this))
        message.Hwnd = window->Handle();
    message.Msg = msg;
    message.WParam = wParam;
    message.LParam = lParam;
    WndProc(message);
    return message.Result;
}

void Control::Click()
{
    if (OnClick)
        OnClick(this);
}

// ------------------------------------------------------------- WinControl

WinControl::WinControl() { HandleNeeded(); }

WinControl::~WinControl()
{
    // Children outlive nothing of ours: detach them first.
    for (Control* child : std::vector<Control*>(m_controls))
        child->m_parent = nullptr;
    m_controls.clear();
    DestroyHandle();
}

void WinControl::HandleNeeded()
{
    if (!m_handle && Application::Exists())
        m_handle = Application::Current().RegisterWindow(this);
}

void WinControl::DestroyHandle()
{
    if (!m_handle || m_destroying)
        return;
    m_destroying = true;
    Application::Current().WindowDestroying(this);
    Perform(WM_DESTROY);
    for (Control* child : std::vector<Control*>(m_controls))
        if (auto* windowed = dynamic_cast<WinControl*>(child))
            windowed->DestroyHandle();
    Application::Current().UnregisterWindow(m_handle);
    m_handle = 0;
}

void WinControl::AddChild(Control* child) { m_controls.push_back(child); }

void WinControl::RemoveChild(Control* child)
{
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), child), m_controls.end());
}

void WinControl::Invalidate() { InvalidateRect(std::nullopt); }

void WinControl::InvalidateRect(const std::optional<Rect>& rect)
{
    if (!m_handle)
        return;
    {
        std::lock_guard lock(m_updateMutex);
        const Rect r = rect ? rect->Intersected(ClientRect()) : ClientRect();
        if (r.IsEmpty())
            return;
        m_updateRect = m_updateRect ? m_updateRect->United(r) : r;
        // Under the same lock as the update rectangle, so that a paint
        // taking the rectangle on the GUI thread cannot clear this flag
        // after it was raised for a rectangle the paint did not see, or
        // leave it raised with nothing to paint (a WM_PAINT that never
        // goes away).
        Application::Current().SetNeedsPaint(m_handle, true);
    }
}

bool WinControl::GetUpdateRect(Rect* rect) const
{
    std::lock_guard lock(m_updateMutex);
    if (!m_updateRect)
        return false;
    if (rect)
        *rect = *m_updateRect;
    return true;
}

void WinControl::Update()
{
    if (m_handle && GetUpdateRect(nullptr))
        Application::Current().SendMessage(m_handle, WM_PAINT);
}

void WinControl::SetFocus()
{
    if (m_handle)
        Application::Current().SetFocusedWindow(m_handle);
}

void WinControl::WndProc(Message& message)
{
    switch (message.Msg) {
    case WM_PAINT:
        WMPaint(message);
        break;
    case WM_ERASEBKGND:
        WMEraseBkgnd(message);
        break;
    case WM_SIZE:
        WMSize(message);
        break;
    case WM_DESTROY:
        WMDestroy(message);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        WMKeyDown(message);
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        WMKeyUp(message);
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (m_enabled)
            WMMouse(message);
        break;
    case WM_SYSCOMMAND:
        WMSysCommand(message);
        break;
    case WM_CLOSE:
        WMClose(message);
        break;
    default:
        DefaultHandler(message);
        break;
    }
}

void WinControl::DefaultHandler(Message&) {}

void WinControl::WMDestroy(Message&) {}

void WinControl::WMSysCommand(Message& message)
{
    if ((message.WParam & 0xFFF0) == SC_CLOSE) {
        if (Form* form = ParentForm())
            form->Perform(WM_CLOSE);
    }
}

void WinControl::WMClose(Message&) {}

void WinControl::WMKeyDown(Message& message)
{
    uint16_t key = uint16_t(message.WParam);
    Form* form = ParentForm();
    if (form && form != this && form->KeyPreview) {
        form->KeyDown(key, ssNone);
        if (key == 0)
            return;
    }
    KeyDown(key, ssNone);
}

void WinControl::WMKeyUp(Message& message)
{
    uint16_t key = uint16_t(message.WParam);
    Form* form = ParentForm();
    if (form && form != this && form->KeyPreview) {
        form->KeyUp(key, ssNone);
        if (key == 0)
            return;
    }
    KeyUp(key, ssNone);
}

void WinControl::KeyDown(uint16_t& key, uint32_t shift)
{
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void WinControl::KeyUp(uint16_t& key, uint32_t shift)
{
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void WinControl::WMMouse(Message& message)
{
    const int32_t x = LoWord(message.LParam), y = HiWord(message.LParam);
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(this, ssNone, x, y);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(this,
                        message.Msg == WM_LBUTTONDOWN   ? MouseButton::mbLeft
                        : message.Msg == WM_RBUTTONDOWN ? MouseButton::mbRight
                                                        : MouseButton::mbMiddle,
                        ssNone, x, y);
        break;
    default:
        if (OnMouseUp)
            OnMouseUp(this,
                      message.Msg == WM_LBUTTONUP   ? MouseButton::mbLeft
                      : message.Msg == WM_RBUTTONUP ? MouseButton::mbRight
                                                    : MouseButton::mbMiddle,
                      ssNone, x, y);
        if (message.Msg == WM_LBUTTONUP && ClientRect().Contains({x, y}))
            Click();
        break;
    }
}

void WinControl::WMSize(Message&) { AlignControls(); }

void WinControl::BoundsChanged(const Rect& oldBounds)
{
    if (m_parent && m_visible) {
        m_parent->InvalidateRect(oldBounds);
        m_parent->InvalidateRect(m_bounds);
    }
    if (oldBounds.GetSize() != m_bounds.GetSize())
        Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
    Invalidate();
}

void WinControl::AlignControls()
{
    Rect space = ClientRect();
    for (Control* c : m_controls) {
        if (!c->m_visible || c->m_align == Align::alNone || c->m_align == Align::alClient)
            continue;
        switch (c->m_align) {
        case Align::alTop:
            c->SetBounds(space.Left, space.Top, space.Width(), c->Height());
            space.Top += c->Height();
            break;
        case Align::alBottom:
            c->SetBounds(space.Left, space.Bottom - c->Height(), space.Width(), c->Height());
            space.Bottom -= c->Height();
            break;
        case Align::alLeft:
            c->SetBounds(space.Left, space.Top, c->Width(), space.Height());
            space.Left += c->Width();
            break;
        case Align::alRight:
            c->SetBounds(space.Right - c->Width(), space.Top, c->Width(), space.Height());
            space.Right -= c->Width();
            break;
        default:
            break;
        }
    }
    for (Control* c : m_controls)
        if (c->m_visible && c->m_align == Align::alClient)
            c->SetBounds(space.Left, space.Top, std::max(space.Width(), 0), std::max(space.Height(), 0));
}

Bitmap* WinControl::Surface() { return m_parent ? m_parent->Surface() : nullptr; }

Point WinControl::SurfaceOffset() const
{
    Point offset;
    for (const Control* c = this; c->m_parent; c = c->m_parent)
        offset = offset.Translated(c->m_bounds.Left, c->m_bounds.Top);
    return offset;
}

Rect WinControl::VisibleClientRect() const
{
    if (!m_parent)
        return ClientRect();
    return m_parent->VisibleClientRect().Offsetted(-Left(), -Top()).Intersected(ClientRect());
}

void WinControl::WMEraseBkgnd(Message& message)
{
    if (auto* canvas = reinterpret_cast<Canvas*>(message.WParam)) {
        canvas->Brush.Color = m_color;
        canvas->FillRect(ClientRect());
    }
    message.Result = 1;
}

void WinControl::PaintWindow(Canvas&) {}

void WinControl::PaintContentTo(Canvas& canvas)
{
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&canvas));
    PaintWindow(canvas);
}

void WinControl::PaintControls(Canvas& canvas, const Rect& updateRect)
{
    for (Control* c : m_controls) {
        auto* graphic = dynamic_cast<GraphicControl*>(c);
        if (!graphic || !graphic->m_visible)
            continue;
        const Rect area = updateRect.Intersected(graphic->m_bounds);
        if (area.IsEmpty())
            continue;
        Canvas& gc = graphic->m_canvas;
        gc.SetTarget(canvas.Target());
        gc.SetOrigin(canvas.Origin().Translated(graphic->Left(), graphic->Top()));
        gc.SetDeviceClip(area.Offsetted(-graphic->Left(), -graphic->Top()));
        graphic->Paint();
    }
}

void WinControl::WMPaint(Message&)
{
    Rect update;
    {
        std::lock_guard lock(m_updateMutex);
        Application::Current().SetNeedsPaint(m_handle, false);
        if (!m_updateRect)
            return;
        update = *m_updateRect;
        m_updateRect.reset();
    }
    Bitmap* surface = Surface();
    if (!surface || !Showing())
        return;
    const Rect visible = VisibleClientRect().Intersected(update);
    if (visible.IsEmpty())
        return;
    Canvas canvas(surface);
    canvas.SetOrigin(SurfaceOffset());
    canvas.SetDeviceClip(visible);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&canvas));
    PaintWindow(canvas);
    PaintControls(canvas, visible);
    // Our painting covered the windowed children: bring them up to date too
    // before the result is shown.
    for (Control* c : std::vector<Control*>(m_controls)) {
        auto* child = dynamic_cast<WinControl*>(c);
        if (!child || !child->m_visible)
            continue;
        const Rect area = visible.Intersected(child->m_bounds);
        if (area.IsEmpty())
            continue;
        child->InvalidateRect(area.Offsetted(-child->Left(), -child->Top()));
        child->Perform(WM_PAINT);
    }
    PresentRect(visible);
}

void WinControl::PresentRect(const Rect& clientRect)
{
    Form* form = ParentForm();
    if (!form || !form->NativeWindowCreated())
        return;
    const Point offset = SurfaceOffset();
    Application::Current().GetBackend().Present(form->Handle(), form->GetSurface(),
                                                clientRect.Offsetted(offset.X, offset.Y));
}

// --------------------------------------------------------- GraphicControl

void GraphicControl::PaintTo(Canvas& target, Point origin, const Rect& clip)
{
    const CanvasStateSaver restore(m_canvas);
    m_canvas.SetTarget(target.Target());
    m_canvas.SetOrigin(target.Origin().Translated(origin.X, origin.Y));
    Rect area = clip;
    if (const std::optional<Rect> outer = target.DeviceClip())
        area = area.Intersected(outer->Offsetted(-origin.X, -origin.Y));
    m_canvas.SetDeviceClip(area);
    Paint();
}

// ----------------------------------------------------------- CustomControl

void CustomControl::PaintWindow(Canvas& canvas)
{
    m_canvas.SetTarget(canvas.Target());
    m_canvas.SetOrigin(canvas.Origin());
    m_canvas.SetDeviceClip(canvas.DeviceClip());
    Paint();
}

} // namespace saver
