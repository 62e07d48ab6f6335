// In sanitizer builds: the desktop toolkit and the libraries under it keep caches and
// singletons for the life of the process (fonts, styles, type registrations, the mixer) and
// leave them to the exit; the leak checker would report them as ours. Linked directly into
// every program and test that opens a display or an audio device (objects do not travel
// through static libraries). Does nothing in other builds.
#if defined(__SANITIZE_ADDRESS__)
#define KV_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_LEAK_CHECKED 1
#endif
#endif

#ifdef KV_LEAK_CHECKED
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libgdk_pixbuf\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libfontconfig.so\n"
         "leak:libpango\n"
         "leak:libcairo.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libX11.so\n"
         "leak:librsvg\n"
         "leak:libepoxy\n"
         "leak:libatk\n"
         "leak:libdbus\n"
         "leak:libSDL2-2.0.so\n"
         "leak:libfluidsynth.so\n";
}
#endif
