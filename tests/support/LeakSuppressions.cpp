// Under LeakSanitizer, the one leak that is not ours: libdbus keeps a
// connection buffer of the D-Bus thread Qt starts on a desktop session (seen
// under a real X server), which lives until the process ends.

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's runtime looks the hook up by name; declared here, as no
// header of ours does.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
#endif
