#include "install/progress_tick.h"

#include <cwchar>

#include "app/text_format.h"
#include "install/size_arithmetic.h"

namespace {

constexpr float kTickSeconds = 0.15f;
constexpr float kEpsilon = 0.000001f;

float FieldNumber(const std::wstring& text) {
    return text.empty() ? 0.0f : std::wcstof(text.c_str(), nullptr);
}

std::wstring OneDecimal(float value) {
    return text::Format(L"%.1f", static_cast<double>(value));
}

void TickRow(const TaskSnapshot& task, PackageRow& row) {
    const float done = static_cast<float>(task.done);
    const float size = static_cast<float>(task.size);
    // A task without any mirror has size 0: show no progress rather than 0/0.
    row[2] = OneDecimal(task.size > 0 ? done * 100.0f / size : 0.0f);
    float speed = static_cast<float>(task.done - task.before) / kTickSeconds;
    row[3] = OneDecimal(speed / 1024.0f);
    const float elapsed = FieldNumber(row[4]);
    if (elapsed > kEpsilon) {
        speed = done / elapsed;
        row[3] = OneDecimal(speed / 1024.0f);
    }
    const bool running = task.done > 0 && task.done < task.size;
    if (running) {
        row[4] = OneDecimal(elapsed + kTickSeconds);
        row[5] = speed > kEpsilon ? OneDecimal((size - done) / speed) : L"∞";
    }
    if (task.done == task.size)
        row[5] = L"0";
}

}  // namespace

std::wstring FormatByteSize(int64_t bytes) {
    constexpr double kKiB = 1024.0;
    const double value = static_cast<double>(bytes);
    if (bytes >= (int64_t{1} << 30))
        return text::Format(L"%.2f GB", value / (kKiB * kKiB * kKiB));
    if (bytes >= (int64_t{1} << 20))
        return text::Format(L"%.2f MB", value / (kKiB * kKiB));
    if (bytes >= 1024)
        return text::Format(L"%.2f KB", value / kKiB);
    return text::Format(L"%d B", bytes);
}

void ApplyProgressTick(const std::vector<TaskSnapshot>& tasks, std::vector<PackageRow>& rows,
                       ProgressTotals& totals) {
    int64_t totalSize = 0;
    int64_t totalDone = 0;
    for (const auto& task : tasks) {
        if (task.present)
            continue;
        totalSize = AddSizes(totalSize, task.size);
        totalDone = AddSizes(totalDone, task.done);
        for (auto& row : rows) {
            if (row[0] == task.key) {
                TickRow(task, row);
                break;
            }
        }
    }
    totals.totalSize = FormatByteSize(totalSize);
    float totalTime = 0.0f;
    for (const auto& row : rows)
        totalTime += FieldNumber(row[4]);
    totals.totalTime = text::Format(L"%.1fs", static_cast<double>(totalTime));
    const float speed = static_cast<float>(totalDone) / totalTime;
    if (totalDone > 0 && totalDone < totalSize) {
        totals.remaining =
            speed > kEpsilon
                ? text::Format(L"%.1fs", static_cast<double>(
                                             static_cast<float>(totalSize - totalDone) / speed))
                : L"∞s";
    }
    if (totalDone == totalSize)
        totals.remaining = L"0s";
    totals.position = static_cast<int>(ScaledShare(totalDone, totalSize, 10000));
}
