// The plug-in's connection text: a value is found exactly where a straightforward reading finds
// it, and never written past the caller's buffer (which is exactly as large as promised, on the
// heap, where the address sanitizer watches its end).
#include <fuzzer/FuzzedDataProvider.h>

#include <cwchar>
#include <memory>
#include <string>

#include "Check.h"
#include "ConnText.h"

namespace {

std::wstring Wide(const std::string& bytes) {
    std::wstring wide;
    for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const wchar_t unit = static_cast<wchar_t>((bytes[at] & 0xFF) | (bytes[at + 1] & 0xFF) << 8);
        wide.push_back(unit ? unit : L';');
    }
    return wide;
}

// The value of the first "key=" that starts the text or follows a ';', up to the next ';'.
bool FirstValue(const std::wstring& text, const std::wstring& key, std::wstring& value) {
    for (size_t at = 0; at + key.size() < text.size(); ++at) {
        if ((at == 0 || text[at - 1] == L';') && text.compare(at, key.size(), key) == 0 &&
            text[at + key.size()] == L'=') {
            const size_t from = at + key.size() + 1;
            const size_t end = text.find(L';', from);
            value = text.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    // Mostly ASCII keys and texts, so that keys are found often.
    const bool ascii = input.ConsumeBool();
    std::string keyBytes = input.ConsumeRandomLengthString(24);
    std::string textBytes = input.ConsumeRemainingBytesAsString();
    const auto widen = [ascii](const std::string& bytes) {
        return ascii ? std::wstring(bytes.begin(), bytes.end()) : Wide(bytes);
    };
    std::wstring key = widen(keyBytes);
    std::wstring text = widen(textBytes);
    for (wchar_t& c : key) {
        c = c ? c : L'k';
    }
    for (wchar_t& c : text) {
        c = c ? c : L';';
    }

    const std::unique_ptr<wchar_t[]> out(new wchar_t[kConnValueCapacity]);
    std::wmemset(out.get(), L'#', kConnValueCapacity);
    const int found = GetConnValue(text.c_str(), key.c_str(), out.get());
    std::wstring expected;
    const bool present = !key.empty() && FirstValue(text, key, expected);
    if (present && expected.size() < kConnValueCapacity) {
        FUZZ_CHECK(found == 1, "a value that fits is found");
        FUZZ_CHECK(std::wstring(out.get()) == expected, "the value is the text up to ';'");
    } else {
        FUZZ_CHECK(found == 0, "a missing or too long value is not found");
        for (int i = 0; i < kConnValueCapacity; ++i) {
            FUZZ_CHECK(out[i] == L'#', "nothing is written when nothing is found");
        }
    }
    return 0;
}
