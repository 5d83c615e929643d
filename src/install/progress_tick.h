#pragma once
// The download page's progress tick (every 150 ms): per package the percentage, speed,
// time spent and time remaining; for the whole download the size, time, remaining time
// and the progress bar position. Pure arithmetic over snapshots, so that the wizard and
// the console show the same figures.
#include <cstdint>
#include <string>
#include <vector>

#include "install/install_events.h"

struct TaskSnapshot {
    std::wstring key;      // the package file name (the task's key)
    int64_t size = 0;      // the task's size in bytes
    bool present = false;  // downloaded before the installation started: not counted
    int64_t done = 0;      // bytes completed at this tick
    int64_t before = 0;    // bytes completed at the previous tick
};

struct ProgressTotals {
    std::wstring totalSize;  // "1.00 MB"
    std::wstring totalTime;  // "12.3s"
    std::wstring remaining;  // "4.5s", "∞s", "0s"; kept from the previous tick otherwise
    int position = 0;        // 0 to 10000
};

// The size text: "%d B", "%.2f KB", "%.2f MB" or "%.2f GB".
std::wstring FormatByteSize(int64_t bytes);

// Applies one tick to `rows` (columns 2 to 5) and `totals`, both holding the previous
// tick's texts on entry. Rows are found by their column 0 text.
void ApplyProgressTick(const std::vector<TaskSnapshot>& tasks, std::vector<PackageRow>& rows,
                       ProgressTotals& totals);
