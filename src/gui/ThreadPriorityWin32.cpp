// Thread priorities as the Windows thread priority levels.
#include "gui/Thread.h"

#include <windows.h>

namespace saver {

void SetCurrentThreadPriority(ThreadPriority priority)
{
    static constexpr int kLevels[] = {THREAD_PRIORITY_IDLE,    THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                                      THREAD_PRIORITY_NORMAL,  THREAD_PRIORITY_ABOVE_NORMAL,
                                      THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_TIME_CRITICAL};
    // A refused level leaves the thread as it is.
    (void)::SetThreadPriority(::GetCurrentThread(), kLevels[size_t(priority)]);
}

int32_t CurrentThreadPriorityValue() { return ::GetThreadPriority(::GetCurrentThread()); }

} // namespace saver
