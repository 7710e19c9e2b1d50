// Qt 5.15's offscreen platform plugin never frees its screen and cursor. Only the plugin's own
// frames further down the stack tell those allocations apart from the application's, and the
// fast unwinder stops inside Qt's libraries (built without frame pointers): unwind fully, so that
// the narrow "libqoffscreen.so" line of tests/lsan.supp matches them and nothing else.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
