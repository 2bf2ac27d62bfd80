#pragma once
// The Shockwave Flash ActiveX control as the Flash control's engine, hosted
// in place inside the saver's native window, and the small OLE container
// that hosts it.
//
// No Windows header is included here: native windows travel as void*.

#include "platform/FlashEngine.h"

#include "core/Error.h"

#include <functional>
#include <memory>
#include <string>

namespace saver {

// The control's class is not registered, or its server cannot be loaded.
class OleControlMissing : public Exception {
public:
    using Exception::Exception;
};

// One ActiveX control, active in place in a child window of its own (the
// site) inside a native window: a minimal container with a client site, an
// in-place site (the extended one, IOleInPlaceSiteEx, which some controls
// require), a frame without menus or tool space, and the ambient properties
// of a running (not design-time) program. OLE is initialised on
// the creating thread for the host's lifetime (a single-threaded apartment);
// every call must come from that thread.
class OleControlHost {
public:
    // The native window (an HWND as void*) of a framework window; nullptr
    // when it has none.
    using NativeWindowLookup = std::function<void*(HWND frameworkWindow)>;

    // Creates the control of class `classId` ("{...}") and gives it its
    // client site and a fresh state (IPersistStreamInit::InitNew when it
    // has one). Throws OleControlMissing when the class is not there,
    // saver::Exception for any other failure; `controlName` names the
    // control in the messages.
    OleControlHost(const std::string& classId, std::string controlName, NativeWindowLookup nativeWindow);
    ~OleControlHost();
    OleControlHost(const OleControlHost&) = delete;
    OleControlHost& operator=(const OleControlHost&) = delete;

    // Moves the site into the native window of `frameworkParent` at
    // `bounds` (client coordinates), shown or hidden, and activates the
    // control in place the first time it has a window to live in. Without a
    // native window the site is hidden. Never throws: an activation that
    // fails is kept (ActivationError) and tried again only in another
    // window.
    void Place(HWND frameworkParent, const Rect& bounds, bool visible);
    // The site window (HWND as void*), nullptr until placed.
    [[nodiscard]] void* SiteWindow() const;
    [[nodiscard]] bool Active() const;
    // Empty unless the last activation failed.
    [[nodiscard]] const std::string& ActivationError() const;

    // Automation through the control's IDispatch; `name` names the member
    // in the error messages. Each failure throws saver::Exception.
    [[nodiscard]] int32_t MemberId(const std::string& name);
    void PutText(int32_t id, const std::string& name, const std::string& value);
    void CallMethod(int32_t id, const std::string& name);
    // A 32-bit value, read as a property or returned by a method.
    enum class Read { Property, Method };
    [[nodiscard]] int32_t GetInteger(int32_t id, const std::string& name, Read how);

    struct State;

private:
    std::unique_ptr<State> m_state;
};

// The Flash engine on the Shockwave Flash control: `Movie` and `TotalFrames`
// by their fixed dispatch ids, `Play` and `CurrentFrame` by name. The
// control starts with a fresh state and quality High, scale ShowAll and
// window mode Window set by name (the control's own persistence format is
// not used). It draws itself in its own window, above the framework's
// picture of the control, which stays black.
class ActiveXFlash final : public FlashEngine {
public:
    // Throws saver::Exception containing "Flash control is missing" when
    // the control is not installed, and with the reason for any other
    // failure.
    explicit ActiveXFlash(OleControlHost::NativeWindowLookup nativeWindow);
    ~ActiveXFlash() override;

    void LoadMovie(const std::string& path) override;
    void Play() override;
    [[nodiscard]] int32_t TotalFrames() override;
    [[nodiscard]] int32_t CurrentFrame() override;
    void Paint(Canvas& canvas, const Rect& client) override;
    void Place(HWND frameworkParent, const Rect& bounds, bool visible) override;

    [[nodiscard]] const OleControlHost& Host() const { return *m_host; }

    static constexpr const char* kClassId = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
    static constexpr int32_t kMovieId = 102;
    static constexpr int32_t kTotalFramesId = 124;

private:
    // Throws the activation failure, if any, before a movie call.
    OleControlHost& Control();

    std::unique_ptr<OleControlHost> m_host;
    int32_t m_playId = 0;
    int32_t m_currentFrameId = 0;
};

} // namespace saver
