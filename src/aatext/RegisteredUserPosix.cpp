// The registered user on Linux: the account's full name from the password
// database, else the login name; the organisation from the environment.
#include "aatext/RegisteredUser.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace saver {

RegisteredUser ReadRegisteredUser()
{
    RegisteredUser user;
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? size_t(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        // The comment field holds "full name,room,phone,...".
        const std::string gecos = found->pw_gecos ? found->pw_gecos : "";
        user.Owner = gecos.substr(0, gecos.find(','));
        if (user.Owner.empty() && found->pw_name)
            user.Owner = found->pw_name;
    }
    // An account the database does not know (a container's arbitrary user).
    for (const char* variable : {"LOGNAME", "USER"})
        if (user.Owner.empty())
            if (const char* login = std::getenv(variable))
                user.Owner = login;
    if (const char* organization = std::getenv("ORGANIZATION"))
        user.Organization = organization;
    return user;
}

} // namespace saver
