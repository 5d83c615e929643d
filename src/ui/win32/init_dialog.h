#pragma once
// The initialization dialog: an animation and a progress box while the initialization
// sequence runs from a one-shot timer; closes by itself on success, otherwise waits for
// Esc or the close box.
#include "app/init_sequence.h"
#include "ui/win32/dialog_layer.h"

class CInstallContext;
class CDownloadManager;

class CInitDlg : public win32::ModalDialog, public IInitDisplay {
  public:
    CInitDlg(CInstallContext& context, CDownloadManager& downloads);

    // Adds a message to the progress box and to the log.
    void AppendText(const std::wstring& text);
    // IInitDisplay: the progress box only (the sequence logs its own messages).
    void ShowText(const std::wstring& text) override;

    // Beyond this many characters the box keeps only what is on screen and after it.
    static constexpr int kTextLimit = 204800;
    static constexpr UINT_PTR kStartTimer = 5;

  protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    // Only a successful sequence ends the dialog with IDOK: Enter must not skip it.
    bool OnCommand(int id, int code) override;

  private:
    CInstallContext& context_;
    CInitSequence sequence_;
};
