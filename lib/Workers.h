#pragma once
// Work spread over threads that the system may refuse to start.

#include <cstddef>
#include <functional>

// Runs `work` for every index below `count` on up to `workers` threads, this one among them.
// A thread the system will not start leaves its share to those that did.
void RunOnWorkers(size_t count, int workers, const std::function<void(size_t)>& work);

// Runs `work` on a thread of its own and waits for it; on this thread when none may start.
void RunElsewhere(const std::function<void()>& work);
