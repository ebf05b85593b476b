// Under LeakSanitizer, the one leak that is not ours: libdbus keeps a
// connection buffer of the D-Bus thread Qt starts on a desktop session (seen
// under a real X server), which lives until the process ends.

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
#endif
