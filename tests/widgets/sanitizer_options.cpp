// The offscreen platform plugin of Qt 5.15 never frees its screen and cursor. Their allocations
// are told apart from ours by the plugin's frames further down the stack, which the fast unwinder
// does not reach through Qt's libraries (built without frame pointers): unwind fully here, so
// that the one narrow suppression line in tests/lsan.supp can match.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
