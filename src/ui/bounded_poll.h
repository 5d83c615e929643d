#pragma once
// Waits for something another thread makes, a bounded number of times: a window that
// never appears must not keep the installation waiting.
#include <functional>

// Sleeps `periodMilliseconds`, then asks `ready`, at most `limit` times; true as soon as
// it answers true.
bool PollUntil(const std::function<bool()>& ready, unsigned periodMilliseconds, unsigned limit);
