#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "include/internal/cef_types.h"

// What the page driver sees of the stand-in's browsers, frames and downloads: copies taken on
// the library's threads that callers may keep.
namespace cefimpl {

struct FrameSnapshot {
    int64 id = 0;
    int64 parentId = 0;
    std::wstring name;
    std::wstring url;
    bool hasContext = false;
};

struct BrowserSnapshot {
    int id = 0;
    bool popup = false;
    bool loading = false;
    bool closing = false;
    HWND window = nullptr;
    std::wstring url;
    std::wstring title;
    std::vector<FrameSnapshot> frames;
};

struct DownloadSnapshot {
    uint32 id = 0;
    int browserId = 0;
    std::wstring url;
    std::wstring suggestedName;
    std::wstring fullPath;
    bool inProgress = false;
    bool complete = false;
    bool canceled = false;
    int64 received = 0;
    int64 total = -1;
};

}  // namespace cefimpl
