#include "Workers.h"

#include "FolderFiles.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void RunOnWorkers(size_t count, int workers, const std::function<void(size_t)>& work) {
    std::atomic<size_t> next{0};
    const auto loop = [&next, count, &work] {
        for (size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> threads;
    for (size_t k = 1; k < size_t(std::max(workers, 1)) && k < count; ++k) {
        if (gFileHooks.ThreadMayStart && !gFileHooks.ThreadMayStart())
            break;
        try {
            threads.emplace_back(loop);
        } catch (const std::system_error&) {
            break;
        }
    }
    loop();
    for (std::thread& thread : threads)
        thread.join();
}

void RunElsewhere(const std::function<void()>& work) {
    if (!gFileHooks.ThreadMayStart || gFileHooks.ThreadMayStart()) {
        try {
            std::thread(work).join();
            return;
        } catch (const std::system_error&) {
            // No thread may start: this one does the work.
        }
    }
    work();
}
