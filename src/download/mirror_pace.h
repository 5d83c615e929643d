#pragma once
// The block rates of a run's mirrors over its latest blocks, to find a mirror that delivers
// far more slowly than the others: the blocks still waiting for it go to the faster ones.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

class MirrorPace {
  public:
    static constexpr size_t kWindow = 20;  // latest blocks judged
    // A mirror is slow below this share of the median block rate.
    static constexpr double kSlowShare = 0.25;

    void Reset(size_t mirrorCount);
    // Notes a block of `bytes` that took `milliseconds`; returns the mirrors that this made
    // slow (each once per run). The last mirror that is not slow never becomes slow.
    std::vector<size_t> Record(size_t mirror, int64_t bytes, int64_t milliseconds);
    bool IsSlow(size_t mirror) const { return mirror < slow_.size() && slow_[mirror]; }
    // `mirror`, or when it is slow one of the others in turn.
    size_t Redeal(size_t mirror);

  private:
    std::deque<std::pair<size_t, double>> recent_;  // mirror, bytes per millisecond
    std::vector<bool> slow_;
    size_t nextFast_ = 0;
};
