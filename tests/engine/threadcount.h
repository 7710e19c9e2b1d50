#pragma once

#include <dirent.h>

#include <thread>

// Threads of this process, read from /proc. A sanitizer runtime starts a helper thread of its own
// when the process creates its first thread, so one thread is started and joined before the
// first count: from then on the count moves only with the threads the code under test makes.
inline int thread_count() {
    static const bool settled = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)settled;
    int count = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) {
        return -1;
    }
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    closedir(dir);
    return count;
}
