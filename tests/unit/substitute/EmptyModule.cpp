// A module that exports nothing a host looks for.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int NotAPlugin() { return 1; }
#else
extern "C" __attribute__((visibility("default"))) int NotAPlugin() { return 1; }
#endif
