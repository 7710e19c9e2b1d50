#pragma once

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

// Threads of this process, read from /proc. A sanitizer runtime starts a helper thread of its own
// when the process creates its first thread, so one thread is started, joined and waited out of
// /proc before the first count: from then on the count moves only with the threads the code under
// test makes.
inline int thread_count() {
    static const bool settled = [] {
        long tid = 0;
        std::thread([&tid] { tid = syscall(SYS_gettid); }).join();
        const std::string task = "/proc/self/task/" + std::to_string(tid);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (access(task.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
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

// The thread count once it has reached `expected`, or after two seconds whatever it is then: a
// joined thread has finished its work, but the kernel may list it for a moment longer while it
// is reaped.
inline int thread_count_settled_at(int expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int count = thread_count();
    while (count != expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        count = thread_count();
    }
    return count;
}
