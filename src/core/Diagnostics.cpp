#include "core/Diagnostics.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

namespace saver {
namespace {

std::mutex g_lock;
DiagnosticSink g_sink;

} // namespace

void ReportDiagnostic(std::string_view line)
{
    std::lock_guard lock(g_lock);
    if (g_sink)
        g_sink(line);
    else
        std::cerr << "saver: " << line << std::endl;
}

void SetDiagnosticSink(DiagnosticSink sink)
{
    std::lock_guard lock(g_lock);
    g_sink = std::move(sink);
}

bool TraceRequested()
{
    const char* value = std::getenv("SAVER_TRACE");
    return value && *value && std::strcmp(value, "0") != 0;
}

std::ostream& TraceStream(std::ostream& log)
{
    // A stream without a buffer is in a failed state and writes nothing.
    static std::ostream dropped(nullptr);
    return TraceRequested() ? log : dropped;
}

} // namespace saver
