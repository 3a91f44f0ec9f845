#pragma once

#include <windows.h>

// The notifications of the skin framework (WM_NOTIFY, code BKNM_*) and their records. A view
// sends them to its top-level window with wParam = the view's control id; elements send them to
// their host window.

// A click on an element (or Enter / Escape on the top-level window, ids 1 and 2, class "").
constexpr UINT BKNM_COMMAND = 1;
struct BKNMCOMMAND {
    NMHDR hdr;
    int id;
    const char* elementClass;
};

// An element moved the real child window of the host whose control id is `id`.
constexpr UINT BKNM_REALWND_RESIZED = 2;
struct BKNMREALWNDRESIZED {
    NMHDR hdr;
    int id;
    RECT rect;
};

// The mouse entered or left the view (a bare NMHDR).
constexpr UINT BKNM_MOUSEENTER = 3;
constexpr UINT BKNM_MOUSELEAVE = 4;

// A tab control is about to change page; a receiver that sets `cancel` keeps the old page.
constexpr UINT BKNM_TAB_SELCHANGE = 5;
struct BKNMTABSELCHANGE {
    NMHDR hdr;
    int tabCtrlId;
    int newIndex;
    int oldIndex;
    int cancel;
};

// An element asks its host to repaint part of it.
constexpr UINT BKNM_REDRAW = 1000;
struct BKNMREDRAW {
    NMHDR hdr;
    int handle;
    RECT rect;
};
