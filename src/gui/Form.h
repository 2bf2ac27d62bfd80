#pragma once
// Forms: top-level windows (or children of a foreign window, as the preview
// is) with a surface bitmap that their controls paint into and the backend
// shows. A form is created through Form::Create so that its OnCreate runs
// once it is fully constructed.

#include "gdi/Bitmap.h"
#include "gui/Control.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace saver {

struct FormDescription;
class Form;
// Defined in FormLoader.cpp.
void LoadFormDescription(Form& form, const FormDescription& description);

enum class BorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum class FormStyle { fsNormal, fsStayOnTop };
enum class WindowState { wsNormal, wsMinimized, wsMaximized };
enum class CloseAction { caNone, caHide, caFree, caMinimize };

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

using CloseEvent = std::function<void(Component* sender, CloseAction& action)>;

class Form : public WinControl {
public:
    Form();
    ~Form() override;

    // Constructs a form and runs its OnCreate, as loading a form does. A form
    // class with a stored description (a static StoredDescription() that
    // returns a FormDescription, see FormLoader.h) is first given its stored
    // properties and components from it.
    template <typename T, typename... Args>
    static std::unique_ptr<T> Create(Args&&... args)
    {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        if constexpr (requires { T::StoredDescription(); })
            LoadFormDescription(*form, T::StoredDescription());
        form->DoCreate();
        return form;
    }

    // Components the form owns (those created from its stored description),
    // in creation order.
    Component& InsertComponent(std::unique_ptr<Component> component);
    [[nodiscard]] const std::vector<std::unique_ptr<Component>>& Components() const { return m_components; }
    // The owned component with that name, or nullptr.
    [[nodiscard]] Component* FindComponent(std::string_view name) const;

    std::string Caption;
    BorderStyle FormBorderStyle = BorderStyle::bsSizeable;
    FormStyle Style = FormStyle::fsNormal;
    WindowState State = WindowState::wsNormal;
    bool KeyPreview = false;

    // A foreign window to live in (ParentWindow); 0 for a top-level window.
    void SetParentWindow(HWND foreign) { m_parentWindow = foreign; }
    [[nodiscard]] HWND ParentWindow() const { return m_parentWindow; }

    NotifyEvent OnCreate;
    NotifyEvent OnDestroy;
    NotifyEvent OnResize;
    NotifyEvent OnShow;
    CloseEvent OnClose;

    void Show();
    void Hide();
    void SetVisible(bool visible) override;
    [[nodiscard]] bool Showing() const override { return m_visible && m_shown; }
    // Asks the form to close: a modal form ends its modal loop; the main form
    // ends the application; any other form is hidden.
    void Close();
    // Shows the form and runs a message loop until ModalResult is set or the
    // application is told to terminate.
    int ShowModal();
    [[nodiscard]] int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }
    [[nodiscard]] bool Modal() const { return m_modal; }

    // The pixels of the form and everything on it.
    Bitmap& GetSurface() { return m_surface; }

    void DoCreate();
    [[nodiscard]] bool NativeWindowCreated() const { return m_nativeCreated; }

protected:
    void WMSize(Message& message) override;
    void WMSysCommand(Message& message) override;
    void WMClose(Message& message) override;
    void WMDestroy(Message& message) override;
    void DefaultHandler(Message& message) override;
    Bitmap* Surface() override { return &m_surface; }
    // Applies the window state (maximized: the whole screen) before showing.
    void ApplyWindowState();
    void BoundsChanged(const Rect& oldBounds) override;
    virtual void Resize();

private:
    void CreateNativeWindow();

    HWND m_parentWindow = 0;
    Bitmap m_surface{PixelFormat::pf32bit};
    std::vector<std::unique_ptr<Component>> m_components;
    bool m_nativeCreated = false;
    bool m_shown = false;
    bool m_everShown = false;
    uint64_t m_sizeMessages = 0;
    bool m_modal = false;
    int m_modalResult = mrNone;
};

} // namespace saver
