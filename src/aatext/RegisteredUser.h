#pragma once
// The registered owner and organisation the Owner and Organization labels
// show, read from the platform once per label collection.

#include <string>

namespace saver {

struct RegisteredUser {
    std::string Owner;
    std::string Organization;
};

// Windows: the registered owner and organisation of the machine, the
// logged-on user's name for a missing owner. Linux: the account's full name
// (the password database's comment field up to the first comma), else the
// login name; the organisation from $ORGANIZATION, else empty.
[[nodiscard]] RegisteredUser ReadRegisteredUser();

} // namespace saver
