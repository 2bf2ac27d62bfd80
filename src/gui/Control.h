#pragma once
// Controls: Control (bounds, visibility, colour, alignment, parent),
// WinControl (a window handle, children, a window procedure that dispatches
// each message number to a protected virtual handler), GraphicControl
// (windowless, painted by its parent) and CustomControl (a windowed control
// with a canvas and a virtual Paint).
//
// Ownership: a control never owns its parent or its children; the form or
// component that creates a control holds it. Destroying a control detaches
// it from its parent.

#include "core/Color.h"
#include "core/Geometry.h"
#include "gdi/Canvas.h"
#include "gdi/Font.h"
#include "gui/Application.h"
#include "gui/Messages.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace saver {

class Bitmap;
class Form;
class WinControl;

// What the framework is doing with a component. Loading and reading cover
// the time its stored properties are being set (see FormLoader.h).
enum ComponentStateFlag : uint32_t {
    csLoading = 1,
    csReading = 2,
    csWriting = 4,
    csDestroying = 8,
    csDesigning = 16,
    csUpdating = 32,
};

class Component {
public:
    virtual ~Component() = default;
    std::string Name;

    [[nodiscard]] uint32_t ComponentState() const { return m_componentState; }
    void IncludeState(uint32_t flags) { m_componentState |= flags; }
    void ExcludeState(uint32_t flags) { m_componentState &= ~flags; }
    // Called once every component of a stored description has its
    // properties; ends the loading state.
    virtual void Loaded() { ExcludeState(csLoading); }

protected:
    uint32_t m_componentState = 0;
};

using NotifyEvent = std::function<void(Component* sender)>;

enum ShiftState : uint32_t { ssNone = 0, ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16 };
enum class MouseButton { mbLeft, mbRight, mbMiddle };
using KeyEvent = std::function<void(Component* sender, uint16_t& key, uint32_t shift)>;
using MouseEvent = std::function<void(Component* sender, MouseButton button, uint32_t shift, int32_t x, int32_t y)>;
using MouseMoveEvent = std::function<void(Component* sender, uint32_t shift, int32_t x, int32_t y)>;

enum class Align { alNone, alTop, alBottom, alLeft, alRight, alClient };

class Control : public Component {
public:
    Control();
    ~Control() override;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    [[nodiscard]] WinControl* Parent() const { return m_parent; }
    virtual void SetParent(WinControl* parent);

    [[nodiscard]] int32_t Left() const { return m_bounds.Left; }
    [[nodiscard]] int32_t Top() const { return m_bounds.Top; }
    [[nodiscard]] int32_t Width() const { return m_bounds.Width(); }
    [[nodiscard]] int32_t Height() const { return m_bounds.Height(); }
    // Bounds in the parent's client coordinates (screen coordinates for a
    // top-level form, the host's client coordinates for a hosted one).
    [[nodiscard]] const Rect& BoundsRect() const { return m_bounds; }
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    void SetBoundsRect(const Rect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    void SetWidth(int32_t w) { SetBounds(Left(), Top(), w, Height()); }
    void SetHeight(int32_t h) { SetBounds(Left(), Top(), Width(), h); }
    // Controls have no non-client area here: the client area is the bounds.
    [[nodiscard]] Rect ClientRect() const { return {0, 0, Width(), Height()}; }
    [[nodiscard]] int32_t ClientWidth() const { return Width(); }
    [[nodiscard]] int32_t ClientHeight() const { return Height(); }
    void SetClientSize(int32_t w, int32_t h) { SetBounds(Left(), Top(), w, h); }

    [[nodiscard]] bool Visible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    // Visible itself and every parent visible, up to a shown top-level form.
    [[nodiscard]] virtual bool Showing() const;
    [[nodiscard]] bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    [[nodiscard]] bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parentColor);

    // The font. While ParentFont is on, the control takes its parent's font
    // (when it is parented, when ParentFont is turned on, and whenever the
    // parent's font changes); changing the font itself turns ParentFont off.
    [[nodiscard]] TFont& Font() { return m_font; }
    [[nodiscard]] const TFont& Font() const { return m_font; }
    void SetFont(const TFont& font) { m_font.Assign(font); }
    [[nodiscard]] bool ParentFont() const { return m_parentFont; }
    void SetParentFont(bool parentFont);

    // Hints follow the same rule with ParentShowHint. This framework has no
    // hint window: the values are kept and inherited, nothing shows them.
    std::string Hint;
    [[nodiscard]] bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool showHint);
    [[nodiscard]] bool ParentShowHint() const { return m_parentShowHint; }
    void SetParentShowHint(bool parentShowHint);

    // Set while the control paints a copy of itself into another control's
    // image (see GraphicControl::PaintTo).
    [[nodiscard]] bool PaintingCopy() const { return m_paintingCopy; }
    void SetPaintingCopy(bool paintingCopy) { m_paintingCopy = paintingCopy; }

    [[nodiscard]] Align GetAlign() const { return m_align; }
    void SetAlign(Align align);

    // Marks the control's area for repainting.
    virtual void Invalidate();
    // Repaints now if anything is marked (UpdateWindow).
    virtual void Update();
    void Repaint()
    {
        Invalidate();
        Update();
    }

    [[nodiscard]] Point ClientToScreen(Point p) const;
    [[nodiscard]] Point ScreenToClient(Point p) const;
    // The form at the top of the parent chain.
    [[nodiscard]] Form* ParentForm() const;

    // Hands a message to the control's message handling (WndProc) now. A
    // windowless control takes the framework's own notifications this way,
    // such as CM_MOUSEENTER and CM_MOUSELEAVE.
    LRESULT Perform(uint32_t msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(Message& message) { DefaultHandler(message); }

    NotifyEvent OnClick;
    MouseEvent OnMouseDown;
    MouseEvent OnMouseUp;
    MouseMoveEvent OnMouseMove;

    virtual void Click();

protected:
    // Called when the bounds changed (after the new bounds are stored).
    virtual void BoundsChanged(const Rect& oldBounds);
    // Called after the colour changed.
    virtual void ColorChanged() {}
    // Called after the font changed, its own or taken from the parent.
    virtual void FontChanged() {}
    // Messages without a handler of their own.
    virtual void DefaultHandler(Message&) {}
    friend class WinControl;

    WinControl* m_parent = nullptr;
    Rect m_bounds;
    bool m_visible = true;
    bool m_enabled = true;
    TColor m_color = clBtnFace;
    bool m_parentColor = false;
    bool m_paintingCopy = false;
    Align m_align = Align::alNone;

private:
    void TakeParentFont();
    void TakeParentShowHint();
    void StoreShowHint(bool showHint);
    [[nodiscard]] std::vector<Control*> Children() const;

    TFont m_font;
    bool m_parentFont = true;
    bool m_showHint = false;
    bool m_parentShowHint = true;
};

class WinControl : public Control, public MessageTarget {
public:
    WinControl();
    ~WinControl() override;

    [[nodiscard]] HWND Handle() const { return m_handle; }
    [[nodiscard]] bool HandleAllocated() const { return m_handle != 0; }
    // Allocates the window handle if it does not exist yet.
    void HandleNeeded();
    // Sends WM_DESTROY to this window and its children (parent first) while
    // every object is still intact, then releases the handles.
    void DestroyHandle();

    [[nodiscard]] const std::vector<Control*>& Controls() const { return m_controls; }

    void Invalidate() override;
    void Update() override;
    // InvalidateRect(handle, rect or the whole client area, erase).
    void InvalidateRect(const std::optional<Rect>& rect);
    // GetUpdateRect: the bounding box of what is marked; false when nothing is.
    bool GetUpdateRect(Rect* rect = nullptr) const;

    void SetFocus();

    // Erases the background and paints the window's own content (not its
    // children) into a canvas, in client coordinates.
    void PaintContentTo(Canvas& canvas);

    // The window procedure: one switch from message number to handler.
    void WndProc(Message& message) override;

    KeyEvent OnKeyDown;
    KeyEvent OnKeyUp;

protected:
    friend class Control;
    friend class Form;

    virtual void WMPaint(Message& message);
    virtual void WMEraseBkgnd(Message& message);
    virtual void WMSize(Message& message);
    virtual void WMDestroy(Message& message);
    virtual void WMKeyDown(Message& message);
    virtual void WMKeyUp(Message& message);
    virtual void WMMouse(Message& message);
    virtual void WMSysCommand(Message& message);
    virtual void WMClose(Message& message);
    void DefaultHandler(Message& message) override;

    // Key handling with the form's key preview in front.
    virtual void KeyDown(uint16_t& key, uint32_t shift);
    virtual void KeyUp(uint16_t& key, uint32_t shift);

    // Paints the window's own content; the default fills it with Color.
    virtual void PaintWindow(Canvas& canvas);
    // Windowless children, in order, after the window's own content.
    void PaintControls(Canvas& canvas, const Rect& updateRect);

    // Lays out aligned children in the client area.
    void AlignControls();
    void BoundsChanged(const Rect& oldBounds) override;

    // Surface painting for this window: the top-level window's bitmap and this
    // window's offset in it.
    [[nodiscard]] virtual Bitmap* Surface();
    [[nodiscard]] Point SurfaceOffset() const;
    // The part of the client area not clipped by any parent.
    [[nodiscard]] Rect VisibleClientRect() const;
    void PresentRect(const Rect& clientRect);

    void AddChild(Control* child);
    void RemoveChild(Control* child);

    HWND m_handle = 0;
    std::vector<Control*> m_controls;
    // Written by whichever thread invalidates (the animation thread does);
    // also held while the bounds change, which invalidation reads.
    mutable std::mutex m_updateMutex;
    std::optional<Rect> m_updateRect;
    bool m_inPaint = false;
    bool m_destroying = false;
};

// A windowless control: its parent paints it after its own content, into
// the parent's surface, through the control's canvas.
class GraphicControl : public Control {
public:
    Canvas& GetCanvas() { return m_canvas; }
    // Paints into `target`'s bitmap instead, with the control's top-left at
    // `origin` (drawing coordinates of `target`) and nothing outside `clip`
    // (control coordinates); the canvas is restored afterwards.
    void PaintTo(Canvas& target, Point origin, const Rect& clip);

protected:
    friend class WinControl;
    virtual void Paint() {}
    Canvas m_canvas;
};

// A windowed control that paints itself through Paint and a canvas.
class CustomControl : public WinControl {
public:
    // The canvas the control paints with; during WM_PAINT it is limited to
    // the area being repainted.
    Canvas& GetCanvas() { return m_canvas; }

protected:
    void PaintWindow(Canvas& canvas) override;
    virtual void Paint() {}
    Canvas m_canvas;
};

} // namespace saver
