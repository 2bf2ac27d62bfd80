// Thread priorities as nice values: on Linux each thread has a nice value of
// its own, named by its thread id.
#include "gui/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace saver {

namespace {

constexpr int kStrongestNice = -20;
constexpr int kWeakestNice = 19;

int NiceFor(ThreadPriority priority, int inherited)
{
    switch (priority) {
    case ThreadPriority::tpIdle:
        return kWeakestNice;
    case ThreadPriority::tpLowest:
        return inherited + 10;
    case ThreadPriority::tpLower:
        return inherited + 5;
    case ThreadPriority::tpNormal:
        return inherited;
    case ThreadPriority::tpHigher:
        return inherited - 5;
    case ThreadPriority::tpHighest:
        return inherited - 10;
    case ThreadPriority::tpTimeCritical:
        return kStrongestNice;
    }
    return inherited;
}

} // namespace

void SetCurrentThreadPriority(ThreadPriority priority)
{
    const int inherited = CurrentThreadPriorityValue();
    const int nice = std::clamp(NiceFor(priority, inherited), kStrongestNice, kWeakestNice);
    if (nice != inherited)
        // Raising needs a privilege or a nice limit; without it the call
        // fails and the thread keeps its value, as intended.
        (void)::setpriority(PRIO_PROCESS, id_t(::gettid()), nice);
}

int32_t CurrentThreadPriorityValue()
{
    // -1 is a valid nice value: errno tells a failure apart, and a failure
    // (which cannot happen for the calling thread) reads as the default.
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
    return errno == 0 ? nice : 0;
}

} // namespace saver
