#include "DesktopName.h"

#include <cwctype>

#include "CodePage.h"

namespace {

bool IsForbiddenCharacter(wchar_t c) {
    return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

// Windows opens the device, not a file, whatever follows the first "." of such a name and
// whatever blanks end the part before it.
bool IsDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    for (wchar_t& c : stem) {
        c = static_cast<wchar_t>(towupper(c));
    }
    static const wchar_t* const kDevices[] = {L"CON",    L"PRN",     L"AUX",   L"NUL",
                                              L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* device : kDevices) {
        if (stem == device) {
            return true;
        }
    }
    // COM0-COM9 and LPT0-LPT9, and the superscript digits newer systems also accept.
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
        const wchar_t digit = stem[3];
        return (digit >= L'0' && digit <= L'9') || digit == 0x00B9 || digit == 0x00B2 ||
               digit == 0x00B3;
    }
    return false;
}

}  // namespace

bool MakeDesktopFileName(const std::wstring& name, std::string& ansiName) {
    if (name.empty() || name == L"." || name == L".." || name.back() == L'.' ||
        name.back() == L' ' || name.find_first_of(L"\\/:") != std::wstring::npos ||
        IsDeviceName(name)) {
        return false;
    }
    std::wstring safe = name;
    for (wchar_t& c : safe) {
        if (IsForbiddenCharacter(c)) {
            c = L'_';
        }
    }
    // Characters the ANSI code page lacks become "_", not the code page's "?".
    ansiName = WideToAnsiStrict(safe, '_');
    return !ansiName.empty();
}

std::string NumberedName(const std::string& name, int count) {
    // Counted in characters: a trail byte of a double-byte character may equal ".".
    const std::wstring wide = AnsiToWide(name);
    const size_t dot = wide.rfind(L'.');
    const size_t cut = dot == std::wstring::npos ? wide.size() : dot;
    return WideToAnsi(wide.substr(0, cut) + L"(" + std::to_wstring(count) + L")" +
                      wide.substr(cut));
}

std::string FreeFileName(const std::string& folder, const std::string& name,
                         const std::function<bool(const std::string& path)>& exists) {
    std::string candidate = name;
    for (int count = 1; exists(folder + "\\" + candidate); ++count) {
        candidate = NumberedName(name, count);
    }
    return candidate;
}
