#pragma once
// A saver window in a headless application, with fake outside components:
// a Flash engine whose frames advance on the application clock and a media
// device whose pieces end on it. Every component call is logged with its
// virtual time.

#include "HeadlessTestSupport.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gdi/Jpeg.h"
#include "gui/Timer.h"
#include "payload/PayloadWriter.h"
#include "platform/FlashPlayerProtocol.h"
#include "platform/PlatformServices.h"
#include "saver/unithead.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace saver::test {

struct ComponentLog {
    std::vector<std::string> Lines;
    void Add(const std::string& line) { Lines.push_back(std::to_string(Application::Current().GetTickCount()) + " " + line); }
    [[nodiscard]] std::vector<std::string> Matching(const std::string& part) const
    {
        std::vector<std::string> out;
        for (const auto& l : Lines)
            if (l.find(part) != std::string::npos)
                out.push_back(l);
        return out;
    }
};

inline std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The diagnostic lines reported while it lives.
struct DiagnosticCapture {
    std::vector<std::string> Lines;
    DiagnosticCapture()
    {
        SetDiagnosticSink([this](std::string_view line) { Lines.emplace_back(line); });
    }
    ~DiagnosticCapture() { SetDiagnosticSink({}); }
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
};

class FakeFlashEngine final : public FlashEngine {
public:
    // The movie starts to move `startDelayMs` after Play, as a real player
    // that takes its time to load it.
    FakeFlashEngine(ComponentLog& log, int32_t totalFrames, uint32_t startDelayMs = 0)
        : m_log(log), m_total(totalFrames), m_delay(startDelayMs)
    {
    }
    void LoadMovie(const std::string& path) override
    {
        std::ifstream file(path, std::ios::binary);
        char signature[3] = {};
        if (!file.read(signature, 3) || signature[1] != 'W' || signature[2] != 'S')
            throw Exception("Cannot load movie " + path);
        m_log.Add("movie " + BaseName(path));
        m_playing = false;
    }
    void Play() override
    {
        m_start = Application::Current().GetTickCount() + m_delay;
        m_playing = true;
    }
    int32_t TotalFrames() override { return m_total; }
    // 25 frames a second from frame 1 on the players' frame clock, holding
    // the last frame.
    int32_t CurrentFrame() override
    {
        const uint32_t now = Application::Current().GetTickCount();
        if (!m_playing || int32_t(now - m_start) < 0)
            return 1;
        return FrameReached(now - m_start, 25 << 8, m_total);
    }
    void Paint(Canvas& canvas, const Rect& client) override
    {
        canvas.Brush.Color = clGreen;
        canvas.FillRect(client);
    }

private:
    ComponentLog& m_log;
    int32_t m_total;
    uint32_t m_delay;
    uint32_t m_start = 0;
    bool m_playing = false;
};

// Pieces last `LengthMs`; a file without an extension, or missing, does not
// open, like the platform's player.
class FakeMediaDevice final : public MediaDevice {
public:
    FakeMediaDevice(ComponentLog& log, uint32_t lengthMs) : m_log(log), m_length(lengthMs)
    {
        m_timer.SetEnabled(false);
        m_timer.OnTimer = [this](Component*) {
            m_timer.SetEnabled(false);
            m_position = m_length;
            m_mode = MediaMode::Stopped;
            if (m_ended)
                m_ended();
        };
    }
    void Open(const std::string& fileName) override
    {
        std::error_code ec;
        if (std::filesystem::path(fileName).extension().empty() || !std::filesystem::exists(fileName, ec))
            throw Exception("The specified file cannot be played: " + BaseName(fileName));
        m_log.Add("open " + BaseName(fileName));
        m_mode = MediaMode::Stopped;
        m_position = 0;
    }
    void Close() override { m_timer.SetEnabled(false); }
    void Play(std::function<void()> ended) override
    {
        m_ended = std::move(ended);
        m_mode = MediaMode::Playing;
        m_playStart = Application::Current().GetTickCount() - m_position;
        m_timer.SetInterval(m_length - m_position);
        m_timer.SetEnabled(true);
    }
    void Rewind() override { m_position = 0; }
    MediaMode Mode() override { return m_mode; }
    uint32_t Position() override
    {
        return m_mode == MediaMode::Playing ? Application::Current().GetTickCount() - m_playStart : m_position;
    }
    uint32_t Length() override { return m_length; }

private:
    ComponentLog& m_log;
    uint32_t m_length;
    uint32_t m_position = 0;
    uint32_t m_playStart = 0;
    MediaMode m_mode = MediaMode::NotReady;
    std::function<void()> m_ended;
    Timer m_timer;
};

// A small JPEG of a solid colour.
inline Bytes JpegPicture(int32_t w, int32_t h, TColor color)
{
    Bitmap b(w, h, PixelFormat::pf24bit);
    b.GetCanvas().Brush.Color = color;
    b.GetCanvas().FillRect({0, 0, w, h});
    return EncodeJpeg(b);
}

inline Bytes FlashMovieBytes(size_t size = 64)
{
    Bytes movie(size, 0x11);
    movie[0] = 'F';
    movie[1] = 'W';
    movie[2] = 'S';
    return movie;
}

inline EffectTable EnableStyles(std::initializer_list<int> styles)
{
    EffectTable table{};
    for (int s : styles)
        table[size_t(s)] = 1;
    return table;
}

// A scratch folder: the screensaver file and the temporary folder inside.
struct SaverScenario {
    std::filesystem::path Dir;
    std::filesystem::path Temp;
    ComponentLog Log;
    int32_t MovieFrames = 400;
    uint32_t MovieStartDelayMs = 0;
    uint32_t MusicLengthMs = 10000;
    bool FlashInstalled = true;
    Size Screen{1024, 768};

    explicit SaverScenario(const std::string& name)
    {
        Dir = std::filesystem::path(SAVER_BINARY_DIR) / "scenarios" / name;
        std::filesystem::remove_all(Dir);
        Temp = Dir / "temp";
        std::filesystem::create_directories(Temp);
    }
    std::string Build(const PayloadDescription& payload)
    {
        const auto runtime = Dir / "runtime.bin";
        std::ofstream(runtime, std::ios::binary) << std::string(1024, 'R');
        const auto saver = Dir / "saver.scr";
        WritePayloadFile(runtime, saver, payload);
        return saver.string();
    }
    void InstallFakes()
    {
        PlatformServices& services = PlatformServices::Current();
        services.CreateMediaDevice = [this] { return std::make_unique<FakeMediaDevice>(Log, MusicLengthMs); };
        services.CreateFlashEngine = [this]() -> std::unique_ptr<FlashEngine> {
            if (!FlashInstalled)
                throw Exception("The Flash player is not installed");
            return std::make_unique<FakeFlashEngine>(Log, MovieFrames, MovieStartDelayMs);
        };
    }
    HeadlessBackend::Options Options(const std::string& executable, const std::string& script = "")
    {
        HeadlessBackend::Options options;
        options.Screen = Screen;
        options.Executable = executable;
        options.TempPath = Temp.string() + "/";
        options.Script = ParseInputScript(script);
        return options;
    }
};

// The saver window of a scenario, created as the start-up creates it.
struct SaverRun {
    HeadlessApp H;
    TForm1* Form = nullptr;

    SaverRun(SaverScenario& scenario, const std::string& executable, const std::string& script = "")
        : H(scenario.Options(executable, script))
    {
        scenario.InstallFakes();
        H.App->SetTitle("Lumivex");
        Form = static_cast<TForm1*>(&H.App->AddForm(saver::Form::Create<TForm1>()));
        Form->Show();
    }
};

} // namespace saver::test
