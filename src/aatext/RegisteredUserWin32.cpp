// The registered user on Windows: the machine's registered owner and
// organisation from the local-machine registry (read only), the logged-on
// user's name for a missing owner.
//
// Each value is taken from the first of these places that holds it as a
// non-empty string:
//   1. SOFTWARE\Microsoft\Windows\CurrentVersion, the native (64-bit) view;
//   2. the same key in the process's own view (a 32-bit process on 64-bit
//      Windows is redirected to WOW6432Node);
//   3. SOFTWARE\Microsoft\Windows NT\CurrentVersion, native view, where
//      Windows NT and later keep the values;
//   4. the same key in the process's own view.
// The native view comes first because setup writes the values there; the
// redirected copy may be missing or stale. On 32-bit Windows the view flag is
// ignored and 1 and 2 (3 and 4) read the same key.
#include "aatext/RegisteredUser.h"

#include "core/Utf16Win32.h"

#include <windows.h>

#include <string>
#include <vector>

namespace saver {

namespace {

constexpr const wchar_t* kKeys[] = {L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                                    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"};
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, 0};
// Values longer than this are not a name; they are ignored.
constexpr DWORD kMaxValueBytes = 64 * 1024;

// An open key, closed on scope exit.
class Key {
public:
    Key(const wchar_t* path, REGSAM view)
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // The string value up to its first zero character, in UTF-8; empty when
    // the value is missing, not a string, or too long.
    [[nodiscard]] std::string String(const wchar_t* name) const
    {
        if (!m_key)
            return {};
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxValueBytes)
            return {};
        // One character more than stored: the data need not end in a zero
        // (nor in a whole character).
        const size_t stored = (size_t(size) + 1) / sizeof(wchar_t);
        std::vector<wchar_t> data(stored + 1, L'\0');
        size = DWORD(stored * sizeof(wchar_t));
        if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return {};
        return Narrow(data.data());
    }

private:
    HKEY m_key = nullptr;
};

std::string LoggedOnUser()
{
    std::vector<wchar_t> name(257, L'\0'); // UNLEN + 1
    DWORD size = DWORD(name.size());
    if (!GetUserNameW(name.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0 || size > kMaxValueBytes)
            return {};
        name.assign(size_t(size) + 1, L'\0');
        size = DWORD(name.size());
        if (!GetUserNameW(name.data(), &size))
            return {};
    }
    name.back() = L'\0';
    return Narrow(name.data());
}

} // namespace

RegisteredUser ReadRegisteredUser()
{
    RegisteredUser user;
    for (const wchar_t* path : kKeys)
        for (REGSAM view : kViews) {
            if (!user.Owner.empty() && !user.Organization.empty())
                break;
            const Key key(path, view);
            if (user.Owner.empty())
                user.Owner = key.String(L"RegisteredOwner");
            if (user.Organization.empty())
                user.Organization = key.String(L"RegisteredOrganization");
        }
    if (user.Owner.empty())
        user.Owner = LoggedOnUser();
    return user;
}

} // namespace saver
