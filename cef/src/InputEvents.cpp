#include "InputEvents.h"

#include "Text.h"

namespace cefimpl {

namespace input {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kMiddle = 4;

int ButtonsOf(WPARAM wParam) {
    return ((wParam & MK_LBUTTON) ? kLeft : 0) | ((wParam & MK_RBUTTON) ? kRight : 0) |
           ((wParam & MK_MBUTTON) ? kMiddle : 0);
}

const char* KeyName(int virtualKey) {
    switch (virtualKey) {
        case VK_RETURN:
            return "Enter";
        case VK_BACK:
            return "Backspace";
        case VK_TAB:
            return "Tab";
        case VK_ESCAPE:
            return "Escape";
        case VK_DELETE:
            return "Delete";
        case VK_LEFT:
            return "ArrowLeft";
        case VK_RIGHT:
            return "ArrowRight";
        case VK_UP:
            return "ArrowUp";
        case VK_DOWN:
            return "ArrowDown";
        case VK_HOME:
            return "Home";
        case VK_END:
            return "End";
        case VK_PRIOR:
            return "PageUp";
        case VK_NEXT:
            return "PageDown";
        default:
            return "";
    }
}

}  // namespace

int ModifiersOf(bool alt, bool control, bool shift) {
    return (alt ? kAlt : 0) | (control ? kControl : 0) | (shift ? kShift : 0);
}

bool TranslateMouse(UINT message, WPARAM wParam, POINT client, MouseEvent& event) {
    event = MouseEvent();
    event.x = client.x;
    event.y = client.y;
    const WORD keys = LOWORD(wParam);
    event.buttons = ButtonsOf(keys);
    event.modifiers = ModifiersOf(false, keys & MK_CONTROL, keys & MK_SHIFT);
    switch (message) {
        case WM_MOUSEMOVE:
            event.type = "mouseMoved";
            event.button = (keys & MK_LBUTTON)   ? "left"
                           : (keys & MK_RBUTTON) ? "right"
                           : (keys & MK_MBUTTON) ? "middle"
                                                 : "none";
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            event.type = "mousePressed";
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            event.type = "mouseReleased";
            break;
        case WM_MOUSEWHEEL:
            event.type = "mouseWheel";
            // One notch scrolls as far as a notch does in the browser itself.
            event.deltaY = -GET_WHEEL_DELTA_WPARAM(wParam) * 100 / WHEEL_DELTA;
            return true;
        case WM_MOUSEHWHEEL:
            event.type = "mouseWheel";
            event.deltaX = GET_WHEEL_DELTA_WPARAM(wParam) * 100 / WHEEL_DELTA;
            return true;
        default:
            return false;
    }
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            event.button = "left";
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
            event.button = "right";
            break;
        default:
            event.button = "middle";
            break;
    }
    const bool doubleClick =
        message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
    event.clickCount = doubleClick ? 2 : 1;
    return true;
}

bool TranslateKey(UINT message, WPARAM wParam, LPARAM lParam, int modifiers, KeyEvent& event,
                  bool& insertText) {
    event = KeyEvent();
    insertText = false;
    event.modifiers = modifiers;
    event.scanCode = static_cast<int>((lParam >> 16) & 0xFF);
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP:
            event.type = message == WM_KEYDOWN || message == WM_SYSKEYDOWN ? "rawKeyDown" : "keyUp";
            event.systemKey = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
            event.virtualKey = static_cast<int>(wParam);
            event.key = KeyName(event.virtualKey);
            return true;
        case WM_CHAR:
        case WM_SYSCHAR: {
            const wchar_t c = static_cast<wchar_t>(wParam);
            if (c < 0x20 && c != L'\r' && c != L'\t' && c != 0x1B) {
                return false;
            }
            event.type = "char";
            event.virtualKey = c == L'\r' ? VK_RETURN : 0;
            event.text = WideToUtf8(std::wstring(1, c));
            event.systemKey = message == WM_SYSCHAR;
            insertText = c >= 0x80;
            return true;
        }
        default:
            return false;
    }
}

std::string CursorQuery(int x, int y) {
    static const char kScript[] = R"JS((function (x, y) {
  var d = document, e = null;
  for (var depth = 0; depth < 8; depth++) {
    e = d.elementFromPoint(x, y);
    if (!e || !/^I?FRAME$/.test(e.tagName) || !e.contentDocument) break;
    var r = e.getBoundingClientRect();
    x -= r.left + e.clientLeft;
    y -= r.top + e.clientTop;
    d = e.contentDocument;
  }
  if (!e) return 'default';
  var c = d.defaultView.getComputedStyle(e).cursor;
  if (c === 'auto') c = e.isContentEditable || /^(INPUT|TEXTAREA)$/.test(e.tagName) ? 'text' : 'default';
  return c;
})(%X, %Y))JS";
    std::string script = kScript;
    script.replace(script.find("%X"), 2, std::to_string(x));
    script.replace(script.find("%Y"), 2, std::to_string(y));
    return script;
}

LPCWSTR CursorForCss(const std::string& css) {
    std::string name =
        css.substr(css.find_last_of(',') == std::string::npos ? 0 : css.find_last_of(',') + 1);
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    static const struct {
        const char* css;
        LPCWSTR cursor;
    } kCursors[] = {
        {"pointer", IDC_HAND},       {"text", IDC_IBEAM},           {"vertical-text", IDC_IBEAM},
        {"wait", IDC_WAIT},          {"progress", IDC_APPSTARTING}, {"crosshair", IDC_CROSS},
        {"cell", IDC_CROSS},         {"move", IDC_SIZEALL},         {"all-scroll", IDC_SIZEALL},
        {"not-allowed", IDC_NO},     {"no-drop", IDC_NO},           {"help", IDC_HELP},
        {"ew-resize", IDC_SIZEWE},   {"e-resize", IDC_SIZEWE},      {"w-resize", IDC_SIZEWE},
        {"col-resize", IDC_SIZEWE},  {"ns-resize", IDC_SIZENS},     {"n-resize", IDC_SIZENS},
        {"s-resize", IDC_SIZENS},    {"row-resize", IDC_SIZENS},    {"nwse-resize", IDC_SIZENWSE},
        {"nw-resize", IDC_SIZENWSE}, {"se-resize", IDC_SIZENWSE},   {"nesw-resize", IDC_SIZENESW},
        {"ne-resize", IDC_SIZENESW}, {"sw-resize", IDC_SIZENESW},
    };
    for (const auto& entry : kCursors) {
        if (name == entry.css) {
            return entry.cursor;
        }
    }
    return IDC_ARROW;
}

}  // namespace input

}  // namespace cefimpl
