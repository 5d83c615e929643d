#include "controls/win32/picture_canvas.h"

namespace controls {

std::shared_ptr<PictureCanvas> PictureCanvas::Create(HWND window, int width, int height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    std::shared_ptr<PictureCanvas> canvas(new PictureCanvas());
    canvas->stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    canvas->window_ = window;
    canvas->width_ = width;
    canvas->height_ = height;
    HDC windowDc = GetDC(window);
    if (windowDc == nullptr || canvas->stopEvent_ == nullptr) {
        if (windowDc != nullptr) {
            ReleaseDC(window, windowDc);
        }
        return nullptr;
    }
    canvas->dc_ = CreateCompatibleDC(windowDc);
    canvas->bitmap_ = CreateCompatibleBitmap(windowDc, width, height);
    ReleaseDC(window, windowDc);
    if (canvas->dc_ == nullptr || canvas->bitmap_ == nullptr) {
        return nullptr;
    }
    canvas->previous_ = SelectObject(canvas->dc_, canvas->bitmap_);
    canvas->background_ = GetSysColor(COLOR_BTNFACE);
    // The system colour brush of COLOR_MENU, as the dialogs around the control use.
    RECT all = {0, 0, width, height};
    FillRect(canvas->dc_, &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)));
    return canvas;
}

PictureCanvas::~PictureCanvas() {
    for (GifFrame& frame : frames) {
        if (frame.picture != nullptr) {
            frame.picture->Release();
        }
    }
    FreeSaveArea();
    if (dc_ != nullptr) {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
        DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
    }
    if (stopEvent_ != nullptr) {
        CloseHandle(stopEvent_);
    }
}

bool PictureCanvas::Render(IPicture* picture, const PictureRect& rect) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    const auto hold = Hold();
    // The whole source, bottom-up as IPicture measures it.
    return SUCCEEDED(picture->Render(dc_, rect.left, rect.top, rect.width, rect.height, 0, height,
                                     width, -height, nullptr));
}

void PictureCanvas::Fill(const PictureRect& rect) {
    const RECT area = {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    HBRUSH brush = CreateSolidBrush(background_);
    const auto hold = Hold();
    FillRect(dc_, &area, brush);
    DeleteObject(brush);
}

void PictureCanvas::SaveUnder(const PictureRect& rect) {
    const auto hold = Hold();
    FreeSaveArea();
    saveDc_ = CreateCompatibleDC(dc_);
    saveBitmap_ = CreateCompatibleBitmap(dc_, rect.width, rect.height);
    if (saveDc_ == nullptr || saveBitmap_ == nullptr) {
        FreeSaveArea();
        return;
    }
    savePrevious_ = SelectObject(saveDc_, saveBitmap_);
    BitBlt(saveDc_, 0, 0, rect.width, rect.height, dc_, rect.left, rect.top, SRCCOPY);
}

void PictureCanvas::RestoreUnder(const PictureRect& rect) {
    const auto hold = Hold();
    if (saveDc_ != nullptr) {
        BitBlt(dc_, rect.left, rect.top, rect.width, rect.height, saveDc_, 0, 0, SRCCOPY);
    }
    FreeSaveArea();
}

void PictureCanvas::FreeSaveArea() {
    if (saveDc_ != nullptr) {
        if (savePrevious_ != nullptr) {
            SelectObject(saveDc_, savePrevious_);
        }
        DeleteDC(saveDc_);
    }
    if (saveBitmap_ != nullptr) {
        DeleteObject(saveBitmap_);
    }
    saveDc_ = nullptr;
    saveBitmap_ = nullptr;
    savePrevious_ = nullptr;
}

void PictureCanvas::CopyTo(HDC target) {
    const auto hold = Hold();
    BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}

std::unique_lock<std::mutex> PictureCanvas::Hold() {
    ++waiting_;
    std::unique_lock<std::mutex> hold(lock_);
    --waiting_;
    return hold;
}

void PictureCanvas::Invalidate() const {
    InvalidateRect(window_, nullptr, FALSE);
}

void PictureCanvas::RequestStop() {
    stop_ = true;
    SetEvent(stopEvent_);
}

void PictureCanvas::ClearStop() {
    ResetEvent(stopEvent_);
    stop_ = false;
}

void PictureCanvas::Wait(uint32_t milliseconds) const {
    WaitForSingleObject(stopEvent_, milliseconds);
}

}  // namespace controls
