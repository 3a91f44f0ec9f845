#pragma once

#include <windows.h>

#include "include/internal/cef_types_win.h"
#include "include/internal/cef_types_wrappers.h"

typedef cef_window_handle_t CefWindowHandle;
typedef cef_cursor_handle_t CefCursorHandle;

struct CefMainArgsTraits {
    typedef cef_main_args_t struct_type;
    static void init(struct_type*) {}
    static void clear(struct_type*) {}
    static void set(const struct_type* src, struct_type* target, bool) {
        target->instance = src->instance;
    }
};

class CefMainArgs : public CefStructBase<CefMainArgsTraits> {
public:
    CefMainArgs() {}
    explicit CefMainArgs(HINSTANCE hInstance) { instance = hInstance; }
};

struct CefWindowInfoTraits {
    typedef cef_window_info_t struct_type;
    static void init(struct_type*) {}
    static void clear(struct_type* s) { cef_string_clear(&s->window_name); }
    static void set(const struct_type* src, struct_type* target, bool copy) {
        target->ex_style = src->ex_style;
        cef_string_set(src->window_name.str, src->window_name.length, &target->window_name, copy);
        target->style = src->style;
        target->x = src->x;
        target->y = src->y;
        target->width = src->width;
        target->height = src->height;
        target->parent_window = src->parent_window;
        target->menu = src->menu;
        target->windowless_rendering_enabled = src->windowless_rendering_enabled;
        target->transparent_painting_enabled = src->transparent_painting_enabled;
        target->window = src->window;
    }
};

// Where a browser's window goes: a child of an existing window, or a top-level window.
class CefWindowInfo : public CefStructBase<CefWindowInfoTraits> {
public:
    CefWindowInfo() {}

    void SetAsChild(CefWindowHandle parent, RECT windowRect) {
        style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE;
        parent_window = parent;
        x = windowRect.left;
        y = windowRect.top;
        width = windowRect.right - windowRect.left;
        height = windowRect.bottom - windowRect.top;
    }

    void SetAsPopup(CefWindowHandle parent, const CefString& windowName) {
        style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
        parent_window = parent;
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
        width = CW_USEDEFAULT;
        height = CW_USEDEFAULT;
        cef_string_set(windowName.c_str(), windowName.length(), &window_name, true);
    }
};
