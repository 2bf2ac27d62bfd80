#pragma once
// A headless backend and an application for one test.

#include "gui/Application.h"
#include "gui/backend/headless/HeadlessBackend.h"

#include <memory>
#include <sstream>

namespace saver::test {

struct HeadlessApp {
    explicit HeadlessApp(HeadlessBackend::Options options = {})
        : Backend(std::make_unique<HeadlessBackend>(std::move(options), Log)),
          App(std::make_unique<Application>(*Backend))
    {
    }
    ~HeadlessApp()
    {
        App.reset();
        Backend.reset();
    }

    // Runs the message loop until the virtual clock reaches ms (or the
    // application terminates).
    void RunUntil(uint64_t ms)
    {
        while (Backend->Now() < ms && !App->Terminated()) {
            const uint64_t left = ms - Backend->Now();
            // A wake-up at the target time, so idle waits end there.
            App->SetTimer(0, 0xDEAD, uint32_t(left));
            App->HandleMessage();
            App->KillTimer(0, 0xDEAD);
        }
    }

    std::ostringstream Log;
    std::unique_ptr<HeadlessBackend> Backend;
    std::unique_ptr<Application> App;
};

} // namespace saver::test
