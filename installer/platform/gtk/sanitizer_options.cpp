// In sanitizer builds: the toolkit and its libraries keep caches for the life of the process
// (fonts, styles, type registrations), which the leak checker would report at exit. Linked
// into each program that opens a display.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libfontconfig.so\n"
         "leak:libpango\n"
         "leak:libcairo.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libgdk_pixbuf\n"
         "leak:libX11.so\n"
         "leak:librsvg\n"
         "leak:libepoxy\n"
         "leak:libatk\n"
         "leak:libdbus\n";
}
#endif
