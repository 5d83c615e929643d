#pragma once
// One progress tick of the download page over the download manager's tasks: the changed
// cells go to the page (and so to whatever shows it), the totals are returned in place.
#include "download/download_manager.h"
#include "install/download_page.h"
#include "install/progress_tick.h"

void TickDownloadPage(CDownloadManager& downloads, DownloadPage& page, ProgressTotals& totals);
