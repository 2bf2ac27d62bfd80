#pragma once
// A payload reading that writes its files and leaves the platform alone: no
// Flash control, no media player, no cursor, no message box. Tests, the fuzz
// target and the extraction benchmark read payloads through it.

#include "payload/ReadPayload.h"

#include <string>

namespace saver::test {

class FilesOnlyTarget : public PayloadTarget {
public:
    explicit FilesOnlyTarget(std::string temp) : m_temp(std::move(temp)) {}

    PayloadFields Values;

    PayloadFields& Fields() override { return Values; }
    const std::string& TempPath() const override { return m_temp; }
    void SetFlashSize(int32_t, int32_t) override {}
    void SetFlashVisible(bool) override {}
    void LoadMovie(const std::string&) override {}
    void PlayMovie() override {}
    void StartMusic(const std::string&) override {}
    void HideCursor() override {}
    Point GetCursorPos() override { return {}; }
    void ShowLoadError(const std::string&) override {}

private:
    std::string m_temp;
};

} // namespace saver::test
