#include "core/Diagnostics.h"

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

} // namespace saver
