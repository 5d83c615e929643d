#include "ui/progress_view.h"

void TickDownloadPage(CDownloadManager& downloads, DownloadPage& page, ProgressTotals& totals) {
    std::vector<TaskSnapshot> snapshots;
    for (auto& [key, task] : downloads.tasks) {
        if (task.present) {
            snapshots.push_back({key, task.size, true, 0, 0});
            continue;
        }
        const int64_t done = task.GetDoneBytes();
        snapshots.push_back({key, task.size, false, done, task.GetPreviousDoneBytes()});
    }
    std::vector<PackageRow> rows = page.Rows();
    const std::vector<PackageRow> before = rows;
    ApplyProgressTick(snapshots, rows, totals);
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 2; c <= 5; ++c)
            if (rows[r][c] != before[r][c])
                page.SetCell(static_cast<int>(r), c, rows[r][c]);
}
