#include "platform/SdlMixerDevice.h"

#include "core/Diagnostics.h"
#include "core/Error.h"
#include "platform/SoundFile.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <dlfcn.h>
#include <iostream>
#include <mutex>

namespace saver {

// One start of the music: what the end hook reports to.
struct SdlMixerDevice::Playback {
    std::function<void()> Ended; // guarded by g_hookMutex
    std::atomic<bool> Finished{false};
};

namespace {

// The playback the end hook reports to. SDL2_mixer's hook takes no
// argument, and only one music plays at a time. The hook runs on SDL's audio
// thread (and on the calling thread inside Mix_HaltMusic); the lock is held
// while `ended` runs, so a device that detaches its playback afterwards
// knows the callback is over.
std::mutex g_hookMutex;
std::shared_ptr<SdlMixerDevice::Playback> g_current;
// The music SDL2_mixer is playing, as far as devices started it (GUI thread).
Mix_Music* g_playing = nullptr;

void OnMusicFinished()
{
    std::lock_guard lock(g_hookMutex);
    const std::shared_ptr<SdlMixerDevice::Playback> playback = std::move(g_current);
    g_current = nullptr;
    if (!playback)
        return;
    playback->Finished = true;
    const std::function<void()> ended = std::move(playback->Ended);
    playback->Ended = nullptr;
    if (ended)
        ended();
}

void Detach(const std::shared_ptr<SdlMixerDevice::Playback>& playback)
{
    std::lock_guard lock(g_hookMutex);
    if (g_current == playback)
        g_current = nullptr;
}

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// ALSA writes a line on standard error for every device it probes and cannot
// open (no sound card, a missing plugin). SDL's ALSA driver uses the library
// loaded here, so a handler that drops them keeps a normal run quiet; the
// trace keeps them. Looked up at run time: ALSA need not be installed.
void QuietAlsa()
{
    static const bool done = [] {
        if (TraceRequested())
            return true;
        // Kept loaded for the life of the process, as SDL keeps it.
        void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!alsa)
            return true;
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(DropAlsaMessage);
        return true;
    }();
    (void)done;
}

bool OpenOutput(std::string& error)
{
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
        error = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

std::weak_ptr<SdlMixerDevice::AudioSession> g_session;

// SDL2_mixer hands its music volume to FluidSynth as the synthesizer's gain
// (volume / 128), so at full volume MIDI plays at five times FluidSynth's
// own gain of 0.2, some 14 dB above what a General MIDI file is made for,
// and clips. MIDI therefore plays at the volume that gives FluidSynth its
// own gain; every other format at full volume.
int MusicVolume(Mix_Music* music)
{
    return Mix_GetMusicType(music) == MUS_MID ? SdlMixerDevice::kMidiVolume : MIX_MAX_VOLUME;
}

} // namespace

// The opened audio output, shared by the devices (GUI thread only).
class SdlMixerDevice::AudioSession {
public:
    AudioSession()
    {
        std::string error;
        if (!OpenOutput(error)) {
            const std::string first = error;
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
            if (!OpenOutput(error))
                throw Exception("No audio output (" + first + "; dummy driver: " + error + ")");
            TraceStream(std::cerr) << "audio: no sound device (" << first << "); music plays silently" << std::endl;
        }
        Mix_HookMusicFinished(OnMusicFinished);
    }
    ~AudioSession()
    {
        Mix_HookMusicFinished(nullptr);
        Mix_HaltMusic();
        g_playing = nullptr;
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    AudioSession(const AudioSession&) = delete;
    AudioSession& operator=(const AudioSession&) = delete;

    static std::shared_ptr<AudioSession> Acquire()
    {
        if (auto session = g_session.lock())
            return session;
        auto session = std::make_shared<AudioSession>();
        g_session = session;
        return session;
    }
};

SdlMixerDevice::SdlMixerDevice(Clock& clock) : m_clock(clock), m_session(AudioSession::Acquire()) {}

SdlMixerDevice::~SdlMixerDevice() { Close(); }

std::string SdlMixerDevice::AudioDriver()
{
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver ? driver : "";
}

void SdlMixerDevice::Open(const std::string& fileName)
{
    Close();
    Mix_Music* music = Mix_LoadMUS(fileName.c_str());
    if (!music)
        throw Exception("Cannot play '" + fileName + "': " + Mix_GetError());
    uint32_t length = 0;
    const double seconds = Mix_MusicDuration(music);
    if (seconds > 0) {
        length = uint32_t(std::lround(std::min(seconds * 1000.0, double(UINT32_MAX))));
    } else {
        // Some decoders (MIDI among them) do not know their duration: read it
        // from the file.
        try {
            length = ProbeSoundFile(fileName).LengthMs.value_or(kAssumedSoundLengthMs);
        } catch (const Exception&) {
            length = kAssumedSoundLengthMs;
        }
    }
    m_music = music;
    m_length = length;
    m_position = 0;
}

void SdlMixerDevice::Halt()
{
    if (!m_playback)
        return;
    Detach(m_playback);
    if (g_playing == m_music) {
        Mix_HaltMusic();
        g_playing = nullptr;
    }
    m_playback = nullptr;
}

void SdlMixerDevice::Close()
{
    Halt();
    if (m_music)
        Mix_FreeMusic(m_music);
    m_music = nullptr;
    m_length = 0;
    m_position = 0;
}

void SdlMixerDevice::Play(std::function<void()> ended)
{
    if (!m_music)
        throw Exception("No sound file is open");
    const uint32_t from = Position();
    Halt();
    // Whatever else plays stops first, so that its end cannot be taken for
    // this playback's.
    if (g_playing) {
        Mix_HaltMusic();
        g_playing = nullptr;
    }
    auto playback = std::make_shared<Playback>();
    m_position = from;
    m_startTick = m_clock.GetTickCount();
    if (m_length > 0 && from >= m_length) {
        // Nothing left to play.
        playback->Finished = true;
        m_playback = playback;
        if (ended)
            ended();
        return;
    }
    {
        std::lock_guard lock(g_hookMutex);
        playback->Ended = std::move(ended);
        g_current = playback;
    }
    Mix_VolumeMusic(MusicVolume(m_music));
    if (Mix_PlayMusic(m_music, 0) != 0) {
        Detach(playback);
        throw Exception(std::string("Cannot play: ") + Mix_GetError());
    }
    g_playing = m_music;
    m_playback = playback;
    if (from > 0 && Mix_SetMusicPosition(from / 1000.0) != 0)
        m_position = 0; // this format cannot seek: it plays from the start
}

void SdlMixerDevice::Rewind()
{
    Halt();
    m_position = 0;
}

MediaMode SdlMixerDevice::Mode()
{
    if (!m_music)
        return MediaMode::NotReady;
    return m_playback && !m_playback->Finished ? MediaMode::Playing : MediaMode::Stopped;
}

uint32_t SdlMixerDevice::Position()
{
    if (!m_playback)
        return m_position;
    if (m_playback->Finished)
        return m_length;
    const uint32_t elapsed = m_clock.GetTickCount() - m_startTick;
    return uint32_t(std::min<uint64_t>(uint64_t(m_position) + elapsed, m_length));
}

} // namespace saver
