#pragma once
// PNG captures of windows and bitmaps for the Windows UI tests: what a test saw is kept as
// an artefact that people can look at.
#include <windows.h>

#include <string>

// Saves the bitmap (not selected into any DC) as a PNG file.
bool SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path);
// Saves what the screen shows of the window (frame included) once it has settled; the
// window must be visible and on top. It does not redraw the window: callers wait until it
// shows what they expect.
bool SaveWindowAsPng(HWND window, const std::wstring& path);
// The path of an artefact file in the test build's "artifacts" folder, created if needed.
std::wstring ArtifactPath(const std::wstring& fileName);
