#include "ui/bounded_poll.h"

#include "platform/clock.h"

bool PollUntil(const std::function<bool()>& ready, unsigned periodMilliseconds, unsigned limit) {
    for (unsigned polls = 0; polls < limit; ++polls) {
        platform::SleepMilliseconds(periodMilliseconds);
        if (ready())
            return true;
    }
    return false;
}
