#pragma once
// The wizard: a wizard-mode property sheet with the four pages, its Help button hidden,
// a system menu and minimize box added, and the wait dialog kept centred over it.
#include "ui/win32/page1.h"
#include "ui/win32/page2.h"
#include "ui/win32/page3.h"
#include "ui/win32/page4.h"

class CMainSheet {
  public:
    CMainSheet(CInstallContext& context, CDownloadManager& downloads);
    ~CMainSheet();
    CMainSheet(const CMainSheet&) = delete;
    CMainSheet& operator=(const CMainSheet&) = delete;

    // Runs the wizard until Finish or a confirmed Cancel.
    INT_PTR DoModal();
    // The frame's window while the wizard runs.
    HWND Handle() const { return frame_; }

    CPage3& Page3() { return page3_; }

    // Where the wait dialog goes over a frame: centred on its client area.
    static void CentreWaitDialog(HWND frame, HWND dialog);

  private:
    class FrameHook;
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
    void OnFrameInitialized(HWND frame);

    CPage1 page1_;
    CPage2 page2_;
    CPage3 page3_;
    CPage4 page4_;
    HWND frame_ = nullptr;
    FrameHook* hook_ = nullptr;
};
