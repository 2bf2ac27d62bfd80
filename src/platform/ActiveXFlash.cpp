#include "platform/ActiveXFlash.h"

#include "core/Utf16Win32.h"
#include "gdi/Canvas.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace saver {
namespace {

// A COM interface pointer, released when it goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void** Out()
    {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    void Reset()
    {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// A VARIANT cleared when it goes (a string in it is freed).
struct Variant {
    Variant() { VariantInit(&Value); }
    ~Variant() { VariantClear(&Value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT Value;
};

// The system's text for an HRESULT, with its number.
std::string HResultText(HRESULT hr)
{
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(hr));
    const std::string text = SystemMessage(uint32_t(hr));
    return text.empty() ? std::string("error ") + number : text + " (" + number + ")";
}

// What a control's automation call reported about its failure.
std::string ExceptionText(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn)
        info.pfnDeferredFillIn(&info);
    std::string text = Narrow(info.bstrDescription ? info.bstrDescription : L"");
    const HRESULT code = info.scode ? info.scode : HRESULT(info.wCode);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return text.empty() ? HResultText(code) : text;
}

bool ClassMissing(HRESULT hr)
{
    return hr == REGDB_E_CLASSNOTREG || hr == CO_E_DLLNOTFOUND || hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

// Pixels to the HIMETRIC units (0.01 mm) of an OLE extent.
SIZEL HiMetric(int width, int height)
{
    HDC screen = GetDC(nullptr);
    const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return {MulDiv(width, 2540, dpiX > 0 ? dpiX : 96), MulDiv(height, 2540, dpiY > 0 ? dpiY : 96)};
}

class Container;

// The in-place frame: no menus, no tool space, no status line.
class Frame final : public IOleInPlaceFrame {
public:
    explicit Frame(Container& owner) : m_owner(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetWindow(::HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override
    {
        return widths ? OLE_E_INVALIDRECT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, ::HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    Container& m_owner;
};

} // namespace

struct OleControlHost::State {
    ~State();

    void CreateSite(::HWND parent);
    void SiteDestroyed();
    void Activate();
    void Deactivate();
    void Resize();
    [[nodiscard]] RECT SiteRect() const;
    void Check(HRESULT hr, const std::string& what) const;
    // The control's automation interface, asked for when first needed.
    IDispatch& Automation();

    std::string Name;
    NativeWindowLookup Lookup;
    bool OleInitialized = false;
    ComPtr<IOleObject> Object;
    ComPtr<IDispatch> Dispatch;
    ComPtr<IOleInPlaceObject> InPlace;
    Container* Site = nullptr; // reference counted; the control holds it too

    ::HWND SiteWindow = nullptr;
    ::HWND NativeParent = nullptr;
    ::HWND FailedParent = nullptr; // where activation failed last
    Rect Bounds;
    bool Visible = false;
    std::string ActivationError;
};

namespace {

// The client site, in-place site (in its extended form, which some controls
// insist on) and ambient properties of the control.
// It lives as long as anyone holds it; the host detaches itself when it
// goes, so a control that keeps a reference longer finds no window.
class Container final : public IOleClientSite, public IOleInPlaceSiteEx, public IDispatch {
public:
    explicit Container(OleControlHost::State* host) : m_host(host) {}
    void Detach() { m_host = nullptr; }
    [[nodiscard]] ::HWND SiteWindow() const { return m_host ? m_host->SiteWindow : nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite || iid == IID_IOleInPlaceSiteEx)
            *out = static_cast<IOleInPlaceSiteEx*>(this);
        else if (iid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(::HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = SiteWindow();
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return SiteWindow() ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = &m_frame;
        m_frame.AddRef();
        *document = nullptr;
        const RECT rect = m_host ? m_host->SiteRect() : RECT{};
        *position = rect;
        *clip = rect;
        info->fMDIApp = FALSE;
        info->hwndFrame = SiteWindow() ? GetAncestor(SiteWindow(), GA_ROOT) : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    // IOleInPlaceSiteEx: a windowed control, redrawn as it activates.
    HRESULT STDMETHODCALLTYPE OnInPlaceActivateEx(WINBOOL* noRedraw, DWORD) override
    {
        if (noRedraw)
            *noRedraw = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivateEx(WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestUIActivate() override { return S_OK; }

    // The control asks for another size: the container decides, and keeps
    // it at the site's.
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override
    {
        if (m_host)
            m_host->Resize();
        return S_OK;
    }

    // IDispatch: the ambient properties of a running program.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (!(flags & DISPATCH_PROPERTYGET) || !result)
            return DISP_E_MEMBERNOTFOUND;
        bool value = false;
        switch (id) {
        case DISPID_AMBIENT_USERMODE:
            value = true;
            break;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_MESSAGEREFLECT:
            value = false;
            break;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

private:
    ~Container() = default;

    OleControlHost::State* m_host;
    ULONG m_references = 1;
    Frame m_frame{*this};
};

HRESULT STDMETHODCALLTYPE Frame::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
        iid == IID_IOleInPlaceFrame) {
        *out = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE Frame::AddRef() { return static_cast<IOleClientSite&>(m_owner).AddRef(); }

ULONG STDMETHODCALLTYPE Frame::Release() { return static_cast<IOleClientSite&>(m_owner).Release(); }

HRESULT STDMETHODCALLTYPE Frame::GetWindow(::HWND* window)
{
    if (!window)
        return E_POINTER;
    const ::HWND site = m_owner.SiteWindow();
    *window = site ? GetAncestor(site, GA_ROOT) : nullptr;
    return *window ? S_OK : E_FAIL;
}

// The site window: the control's window lives in it. It tells the host when
// it is destroyed (with its parent, usually), while the control's window
// still exists, so the control leaves in-place activity in order.
::LRESULT CALLBACK SiteProcedure(::HWND window, UINT msg, ::WPARAM wParam, ::LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        if (auto* host = reinterpret_cast<OleControlHost::State*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            host->SiteDestroyed();
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

ATOM SiteClass()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = SiteProcedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"SaverOleSite";
        return RegisterClassW(&wc);
    }();
    return atom;
}

} // namespace

// ------------------------------------------------------------------ host

OleControlHost::State::~State()
{
    if (SiteWindow)
        DestroyWindow(SiteWindow); // deactivates the control on the way
    Deactivate();
    if (Object) {
        Object->Close(OLECLOSE_NOSAVE);
        Object->SetClientSite(nullptr);
    }
    Dispatch.Reset();
    Object.Reset();
    if (Site) {
        Site->Detach();
        static_cast<IOleClientSite*>(Site)->Release();
    }
    if (OleInitialized)
        OleUninitialize();
}

void OleControlHost::State::Check(HRESULT hr, const std::string& what) const
{
    if (FAILED(hr))
        throw Exception("The " + Name + " control " + what + ": " + HResultText(hr));
}

IDispatch& OleControlHost::State::Automation()
{
    if (!Dispatch)
        Check(Object->QueryInterface(IID_IDispatch, Dispatch.Out()), "has no automation interface");
    return *Dispatch.Get();
}

RECT OleControlHost::State::SiteRect() const
{
    RECT rect{};
    if (SiteWindow)
        GetClientRect(SiteWindow, &rect);
    return rect;
}

void OleControlHost::State::CreateSite(::HWND parent)
{
    if (!SiteClass()) {
        ActivationError = "The " + Name + " control has no window class (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    SiteWindow = CreateWindowExW(0, MAKEINTRESOURCEW(SiteClass()), L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 0, 0, 1, 1, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!SiteWindow) {
        ActivationError = "The " + Name + " control cannot get a window (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    SetWindowLongPtrW(SiteWindow, GWLP_USERDATA, LONG_PTR(this));
}

void OleControlHost::State::SiteDestroyed()
{
    Deactivate();
    SiteWindow = nullptr;
    NativeParent = nullptr;
    FailedParent = nullptr;
}

void OleControlHost::State::Activate()
{
    RECT rect = SiteRect();
    SIZEL extent = HiMetric(rect.right - rect.left, rect.bottom - rect.top);
    Object->SetExtent(DVASPECT_CONTENT, &extent); // a control may keep its own extent
    const HRESULT hr =
        Object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(Site), 0, SiteWindow, &rect);
    if (FAILED(hr) || FAILED(Object->QueryInterface(IID_IOleInPlaceObject, InPlace.Out()))) {
        InPlace.Reset();
        ActivationError = "The " + Name + " control cannot be shown: " + HResultText(FAILED(hr) ? hr : E_NOINTERFACE);
        FailedParent = NativeParent;
        return;
    }
    ActivationError.clear();
    FailedParent = nullptr;
}

void OleControlHost::State::Deactivate()
{
    if (!InPlace)
        return;
    InPlace->InPlaceDeactivate();
    InPlace.Reset();
}

void OleControlHost::State::Resize()
{
    if (!InPlace)
        return;
    const RECT rect = SiteRect();
    SIZEL extent = HiMetric(rect.right - rect.left, rect.bottom - rect.top);
    Object->SetExtent(DVASPECT_CONTENT, &extent);
    InPlace->SetObjectRects(&rect, &rect);
}

OleControlHost::OleControlHost(const std::string& classId, std::string controlName, NativeWindowLookup nativeWindow)
    : m_state(std::make_unique<State>())
{
    State& s = *m_state;
    s.Name = std::move(controlName);
    s.Lookup = std::move(nativeWindow);
    HRESULT hr = OleInitialize(nullptr);
    s.Check(hr, "cannot start OLE on this thread");
    s.OleInitialized = true;

    CLSID classIdValue;
    const std::wstring wideId = Widen(classId);
    if (FAILED(CLSIDFromString(wideId.c_str(), &classIdValue)))
        throw Exception("'" + classId + "' is not a class id");
    hr = CoCreateInstance(classIdValue, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, s.Object.Out());
    if (ClassMissing(hr))
        throw OleControlMissing("The " + s.Name + " control is not installed: " + HResultText(hr));
    s.Check(hr, "cannot be created");

    s.Site = new Container(&s);
    DWORD misc = 0;
    if (FAILED(s.Object->GetMiscStatus(DVASPECT_CONTENT, &misc)))
        misc = 0;
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst)
        s.Check(s.Object->SetClientSite(s.Site), "refuses its client site");
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(s.Object->QueryInterface(IID_IPersistStreamInit, persist.Out())))
        s.Check(persist->InitNew(), "cannot start with a fresh state");
    if (!siteFirst)
        s.Check(s.Object->SetClientSite(s.Site), "refuses its client site");
}

OleControlHost::~OleControlHost() = default;

void OleControlHost::Place(HWND frameworkParent, const Rect& bounds, bool visible)
{
    State& s = *m_state;
    ::HWND native = frameworkParent && s.Lookup ? static_cast<::HWND>(s.Lookup(frameworkParent)) : nullptr;
    if (native && !IsWindow(native))
        native = nullptr;
    if (native == s.NativeParent && (s.SiteWindow || !native) && bounds == s.Bounds && visible == s.Visible)
        return;
    s.Bounds = bounds;
    s.Visible = visible;
    if (!native) {
        if (s.SiteWindow)
            ShowWindow(s.SiteWindow, SW_HIDE);
        s.NativeParent = nullptr;
        return;
    }
    if (!s.SiteWindow)
        s.CreateSite(native);
    else if (GetParent(s.SiteWindow) != native)
        SetParent(s.SiteWindow, native);
    if (!s.SiteWindow)
        return;
    s.NativeParent = native;
    // The framework draws the parent's picture straight onto the window:
    // it must leave the control's window out.
    const LONG_PTR style = GetWindowLongPtrW(native, GWL_STYLE);
    if (!(style & WS_CLIPCHILDREN))
        SetWindowLongPtrW(native, GWL_STYLE, style | WS_CLIPCHILDREN);
    // The control keeps a window of at least one pixel; an empty one hides.
    const bool show = visible && !bounds.IsEmpty();
    SetWindowPos(s.SiteWindow, HWND_TOP, bounds.Left, bounds.Top, std::max(bounds.Width(), 1),
                 std::max(bounds.Height(), 1), SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (s.InPlace)
        s.Resize();
    else if (s.FailedParent != native)
        s.Activate();
}

void* OleControlHost::SiteWindow() const { return m_state->SiteWindow; }

bool OleControlHost::Active() const { return bool(m_state->InPlace); }

const std::string& OleControlHost::ActivationError() const { return m_state->ActivationError; }

int32_t OleControlHost::MemberId(const std::string& name)
{
    std::wstring wide = Widen(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = m_state->Automation().GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    m_state->Check(hr, "has no member '" + name + "'");
    return id;
}

namespace {

// One automation call; the result, if any, is left in `result`.
void Invoke(IDispatch& dispatch, const std::string& control, DISPID id, const std::string& name, WORD flags,
            VARIANT* argument, VARIANT* result)
{
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    if (argument) {
        params.rgvarg = argument;
        params.cArgs = 1;
    }
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &namedPut;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT argumentError = 0;
    const HRESULT hr = dispatch.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &argumentError);
    if (FAILED(hr))
        throw Exception("The " + control + " control failed in " + name + ": " +
                        (hr == DISP_E_EXCEPTION ? ExceptionText(info) : HResultText(hr)));
}

} // namespace

void OleControlHost::PutText(int32_t id, const std::string& name, const std::string& value)
{
    Variant argument;
    const std::wstring wide = Widen(value);
    argument.Value.vt = VT_BSTR;
    argument.Value.bstrVal = SysAllocStringLen(wide.data(), UINT(wide.size()));
    if (!argument.Value.bstrVal)
        throw Exception("No memory for the " + m_state->Name + " control's " + name);
    Invoke(m_state->Automation(), m_state->Name, id, name, DISPATCH_PROPERTYPUT, &argument.Value, nullptr);
}

void OleControlHost::CallMethod(int32_t id, const std::string& name)
{
    Variant result;
    Invoke(m_state->Automation(), m_state->Name, id, name, DISPATCH_METHOD, nullptr, &result.Value);
}

int32_t OleControlHost::GetInteger(int32_t id, const std::string& name, Read how)
{
    Variant result;
    Invoke(m_state->Automation(), m_state->Name, id, name,
           how == Read::Property ? DISPATCH_PROPERTYGET : DISPATCH_METHOD, nullptr, &result.Value);
    const HRESULT hr = VariantChangeType(&result.Value, &result.Value, 0, VT_I4);
    m_state->Check(hr, "gave no number for " + name);
    return result.Value.lVal;
}

// ----------------------------------------------------------------- Flash

namespace {

std::unique_ptr<OleControlHost> CreateFlashHost(OleControlHost::NativeWindowLookup nativeWindow)
{
    try {
        return std::make_unique<OleControlHost>(ActiveXFlash::kClassId, "Shockwave Flash", std::move(nativeWindow));
    } catch (const OleControlMissing&) {
        throw Exception("The Shockwave Flash control is missing: Flash movies cannot be played on this computer");
    }
}

} // namespace

ActiveXFlash::ActiveXFlash(OleControlHost::NativeWindowLookup nativeWindow)
    : m_host(CreateFlashHost(std::move(nativeWindow)))
{
    // The settings a new control is given before it is first shown.
    const std::pair<const char*, const char*> settings[] = {
        {"Quality2", "High"}, {"Scale", "ShowAll"}, {"WMode", "Window"}};
    for (const auto& [name, value] : settings)
        m_host->PutText(m_host->MemberId(name), name, value);
    m_playId = m_host->MemberId("Play");
    m_currentFrameId = m_host->MemberId("CurrentFrame");
}

ActiveXFlash::~ActiveXFlash() = default;

OleControlHost& ActiveXFlash::Control()
{
    if (!m_host->ActivationError().empty())
        throw Exception(m_host->ActivationError());
    return *m_host;
}

void ActiveXFlash::LoadMovie(const std::string& path)
{
    // The control loads in the background and says nothing about a movie
    // that is not there; the other Flash engines refuse it at once.
    if (GetFileAttributesW(Widen(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        throw Exception("The movie '" + path + "' cannot be opened: " +
                        HResultText(HRESULT_FROM_WIN32(GetLastError())));
    Control().PutText(kMovieId, "Movie", path);
}

void ActiveXFlash::Play() { Control().CallMethod(m_playId, "Play"); }

int32_t ActiveXFlash::TotalFrames()
{
    return Control().GetInteger(kTotalFramesId, "TotalFrames", OleControlHost::Read::Property);
}

int32_t ActiveXFlash::CurrentFrame()
{
    return Control().GetInteger(m_currentFrameId, "CurrentFrame", OleControlHost::Read::Method);
}

void ActiveXFlash::Paint(Canvas& canvas, const Rect& client)
{
    canvas.Brush.Style = BrushStyle::bsSolid;
    canvas.Brush.Color = clBlack;
    canvas.FillRect(client);
}

void ActiveXFlash::Place(HWND frameworkParent, const Rect& bounds, bool visible)
{
    m_host->Place(frameworkParent, bounds, visible);
}

} // namespace saver
