#pragma once

#include <windows.h>

#include <string>

namespace cefimpl {

// Window messages as the DevTools protocol's input events (Input.dispatchMouseEvent and
// Input.dispatchKeyEvent). Free of windows, so that the translation can be tested by itself.
namespace input {

// The protocol's modifier bits.
enum Modifier { kAlt = 1, kControl = 2, kMeta = 4, kShift = 8 };
int ModifiersOf(bool alt, bool control, bool shift);

struct MouseEvent {
    std::string type;             // mousePressed, mouseReleased, mouseMoved, mouseWheel
    std::string button = "none";  // none, left, middle, right
    int buttons = 0;              // pressed buttons: left 1, right 2, middle 4
    int clickCount = 0;
    int x = 0;
    int y = 0;
    int deltaX = 0;
    int deltaY = 0;
    int modifiers = 0;
};

// A mouse message at a point of the window's client area; false for other messages.
bool TranslateMouse(UINT message, WPARAM wParam, POINT client, MouseEvent& event);

struct KeyEvent {
    std::string type;  // rawKeyDown, keyUp, char
    int virtualKey = 0;
    int scanCode = 0;
    std::string key;   // the DOM key name, for the keys editing depends on
    std::string text;  // UTF-8, for char events
    int modifiers = 0;
    bool systemKey = false;
};

// A key message; false for messages the page has no use for (control characters other than
// Enter, Tab and Escape). Characters beyond ASCII are typed text: `insertText` is set for them.
bool TranslateKey(UINT message, WPARAM wParam, LPARAM lParam, int modifiers, KeyEvent& event,
                  bool& insertText);

// The page script that names the CSS cursor at a point of the page, looking into same-origin
// frames: "%X" and "%Y" stand for the point.
std::string CursorQuery(int x, int y);
// The system cursor (an IDC_ name) for a CSS cursor value; custom cursors fall back to the
// keyword after their last comma.
LPCWSTR CursorForCss(const std::string& css);

}  // namespace input

}  // namespace cefimpl
