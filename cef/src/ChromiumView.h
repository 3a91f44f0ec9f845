#pragma once

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "include/internal/cef_types.h"
#include "InputEvents.h"

namespace cefimpl {

// What a page's window asks of its engine. Called on the window's thread.
struct ViewCallbacks {
    std::function<void(const input::MouseEvent&)> mouse;
    std::function<void(const input::KeyEvent&, bool insertText)> key;
    std::function<void(int width, int height)> resized;
    std::function<void(POINT client)> contextMenu;
    std::function<void()> closeRequested;
    std::function<void()> destroyed;
};

// The window that shows a real page: it paints the newest picture of the page and hands the
// user's mouse and keyboard input to the engine.
namespace chromiumview {

// The background of the engine's page for a crashed page.
constexpr COLORREF kCrashedBackground = RGB(0xF2, 0xF2, 0xF2);

HWND Create(const cef_window_info_t& info, ViewCallbacks callbacks);
// Window thread: the page's newest picture; the window owns it from now on.
void ShowPicture(HWND window, HBITMAP picture);
// Window thread: the cursor the page wants over the window (a shared system cursor).
void ShowCursorShape(HWND window, HCURSOR cursor);
// The cursor the window shows over its client area.
HCURSOR CursorShape(HWND window);
// The engine's own page for a page that crashed: `text` centred on grey, the window's size.
HBITMAP CrashedPicture(HWND window, const std::wstring& text);

}  // namespace chromiumview

// Turns screencast pictures (JPEG or PNG) into bitmaps on a thread of its own. Pictures pile up
// faster than they can be painted, so only the newest one waiting for each page is decoded.
class PictureDecoder {
public:
    using Deliver = std::function<void(HBITMAP)>;

    PictureDecoder();
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    // `base64` is the picture's file as the protocol sends it.
    void Submit(int pageId, std::string base64, Deliver deliver);
    void Stop();

private:
    struct Work {
        std::string encoded;
        Deliver deliver;
    };
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<int, Work> waiting_;
    bool stopping_ = false;
    ULONG_PTR gdiplusToken_ = 0;
    std::thread thread_;
};

// Decodes an image file held in memory into a top-down 32-bit bitmap; null when it is no image.
HBITMAP DecodePicture(const std::string& bytes);

}  // namespace cefimpl
