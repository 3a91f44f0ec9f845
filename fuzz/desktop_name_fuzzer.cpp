// Desktop file names from web pages: an accepted name holds no folder, drive, stream or device
// and no character file names may not hold; numbering puts "(n)" before the last dot; and the
// free name is never one that exists.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>

#include "Check.h"
#include "CodePage.h"
#include "DesktopName.h"

namespace {

bool IsDevice(std::wstring stem) {
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](wchar_t c) { return c < 0x80 ? static_cast<wchar_t>(std::towupper(c)) : c; });
    for (const wchar_t* device :
         {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"}) {
        if (stem == device) {
            return true;
        }
    }
    return stem.size() == 4 &&
           (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == 0xB9 || stem[3] == 0xB2 ||
            stem[3] == 0xB3);
}

void CheckAccepted(const std::string& ansi) {
    const std::wstring wide = AnsiToWide(ansi);
    FUZZ_CHECK(!wide.empty() && wide != L"." && wide != L"..", "a name, not a folder");
    FUZZ_CHECK(wide.find_first_of(L"\\/:<>\"|?*") == std::wstring::npos,
               "no separator, drive, stream or wildcard");
    FUZZ_CHECK(std::none_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x20; }),
               "no control character");
    FUZZ_CHECK(wide.back() != L'.' && wide.back() != L' ', "no trailing dot or blank");
    FUZZ_CHECK(!IsDevice(wide), "no device");
}

void CheckNumbering(const std::string& name, FuzzedDataProvider& input) {
    const int count = input.ConsumeIntegralInRange(1, 100000);
    const std::wstring wide = AnsiToWide(name);
    const size_t dot = wide.rfind(L'.');
    const size_t cut = dot == std::wstring::npos ? wide.size() : dot;
    FUZZ_CHECK(AnsiToWide(NumberedName(name, count)) ==
                   wide.substr(0, cut) + L"(" + std::to_wstring(count) + L")" + wide.substr(cut),
               "the count goes before the last dot");

    std::set<std::string> existing;
    for (int taken = input.ConsumeIntegralInRange(0, 20); taken > 0; --taken) {
        const int number = input.ConsumeIntegralInRange(0, 24);
        existing.insert("D\\" + (number ? NumberedName(name, number) : name));
    }
    const std::string free = FreeFileName(
        "D", name, [&existing](const std::string& path) { return existing.count(path) > 0; });
    FUZZ_CHECK(!existing.count("D\\" + free), "the free name does not exist");
    int first = 0;
    while (existing.count("D\\" + (first ? NumberedName(name, first) : name))) {
        ++first;
    }
    FUZZ_CHECK(free == (first ? NumberedName(name, first) : name), "and is the first free one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ascii = input.ConsumeBool();
    const std::string bytes = input.ConsumeRandomLengthString(64);
    std::wstring name;
    if (ascii) {
        name.assign(bytes.begin(), bytes.end());
    } else {
        for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
            name.push_back(static_cast<wchar_t>((bytes[at] & 0xFF) | (bytes[at + 1] & 0xFF) << 8));
        }
    }
    std::string ansi;
    if (MakeDesktopFileName(name, ansi)) {
        CheckAccepted(ansi);
        CheckNumbering(ansi, input);
    }
    return 0;
}
