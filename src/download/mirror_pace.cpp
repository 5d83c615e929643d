#include "download/mirror_pace.h"

#include <algorithm>

void MirrorPace::Reset(size_t mirrorCount) {
    recent_.clear();
    slow_.assign(mirrorCount, false);
    nextFast_ = 0;
}

std::vector<size_t> MirrorPace::Record(size_t mirror, int64_t bytes, int64_t milliseconds) {
    std::vector<size_t> newlySlow;
    if (mirror >= slow_.size() || bytes <= 0)
        return newlySlow;
    recent_.emplace_back(mirror, static_cast<double>(bytes) /
                                     static_cast<double>(std::max<int64_t>(1, milliseconds)));
    if (recent_.size() > kWindow)
        recent_.pop_front();
    // Half a window at least, so that the first blocks of a run do not decide.
    if (recent_.size() < kWindow / 2)
        return newlySlow;
    std::vector<double> rates;
    for (const auto& sample : recent_)
        rates.push_back(sample.second);
    std::nth_element(rates.begin(), rates.begin() + static_cast<std::ptrdiff_t>(rates.size() / 2),
                     rates.end());
    const double median = rates[rates.size() / 2];
    for (size_t m = 0; m < slow_.size(); ++m) {
        if (slow_[m] || std::count(slow_.begin(), slow_.end(), false) < 2)
            continue;
        double total = 0;
        int count = 0;
        for (const auto& [which, rate] : recent_)
            if (which == m)
                total += rate, ++count;
        // Two blocks at least: one unlucky block says little.
        if (count >= 2 && total / count < kSlowShare * median) {
            slow_[m] = true;
            newlySlow.push_back(m);
        }
    }
    return newlySlow;
}

size_t MirrorPace::Redeal(size_t mirror) {
    if (!IsSlow(mirror))
        return mirror;
    for (size_t tried = 0; tried < slow_.size(); ++tried) {
        const size_t candidate = nextFast_++ % slow_.size();
        if (!slow_[candidate])
            return candidate;
    }
    return mirror;
}
