#pragma once
// Chooses the outside components to match the window backend:
//   "headless": the silent media device on the application clock and the
//               Flash stand-in;
//   "sdl":      (Linux) music through SDL2_mixer, or the silent device when
//               no audio output can be opened at all (said once on stderr),
//               and the Flash stand-in;
//   "win32":    (Windows) music through MCI and the Shockwave Flash ActiveX
//               control in the form's native window.
// Until something is installed, PlatformServices::Current() holds the
// headless choice.

#include <string>

namespace saver {

class Backend;

// Throws saver::Exception for a name other than "headless" or this
// platform's own ("sdl" on Linux, "win32" on Windows).
void InstallPlatformServices(const std::string& backendName);
// The same for the backend object CreateBackend returned.
void InstallPlatformServices(const Backend& backend);

} // namespace saver
