// What the sanitizers report inside the libraries SDL brings in, which are
// not built with them.

// SDL's D-Bus connection (screen-saver inhibition) lives until the process
// ends: D-Bus keeps it by design unless asked to shut down.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

// Threads that synchronise in ways ThreadSanitizer does not see: FluidSynth
// loads the MIDI sound font on OpenMP threads (libgomp waits on futexes), and
// Mesa's software GL driver, which SDL renders with on Xvfb, draws on its own
// worker threads.
extern "C" const char* __tsan_default_suppressions() { return "race:libgomp.so\nrace:swrast_dri.so\n"; }
