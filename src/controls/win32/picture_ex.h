#pragma once
// CPictureEx: a picture at its natural size, decoded by the OLE picture loader; animated
// GIF data is cut into frames and played on a thread of its own (the initialization
// dialog's busy animation).
#include <cstddef>
#include <memory>

#include "controls/win32/picture_canvas.h"
#include "platform/win32/subclassed_window.h"

class CPictureEx : public win32::SubclassedWindow {
  public:
    // How long Stop waits for the animation thread.
    static constexpr DWORD kStopBoundMs = 5000;

    CPictureEx() = default;
    ~CPictureEx() override;

    bool SubclassDlgItem(HWND dialog, int controlId) { return AttachDlgItem(dialog, controlId); }
    // The installer's own resource of type "GIF" with this id.
    bool LoadFromResource(int id);
    // Decodes the data and prepares the canvas; the window takes the picture's size.
    bool LoadFromMemory(const void* data, size_t size);
    // Starts the animation, or renders the still picture once.
    void Draw();
    // Ends the animation thread, if any.
    void Stop();
    // Stops and releases everything loaded.
    void Unload();

    // Whether an animation thread is running (for the dialog and the tests).
    bool IsPlaying() const { return thread_ != nullptr; }
    int PictureWidth() const { return width_; }
    int PictureHeight() const { return height_; }
    // The canvas being shown, if any; an animation thread that outlived Stop keeps it.
    std::weak_ptr<controls::PictureCanvas> Canvas() const { return canvas_; }

  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    bool LoadAnimation(const unsigned char* data, size_t size);
    bool PrepareCanvas(int width, int height);

    int width_ = 0;
    int height_ = 0;
    IPicture* still_ = nullptr;
    std::vector<controls::GifFrame> frames_;  // handed to the canvas once it exists
    std::shared_ptr<controls::PictureCanvas> canvas_;
    HANDLE thread_ = nullptr;
};
