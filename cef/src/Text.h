#pragma once

#include <string>

namespace cefimpl {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

}  // namespace cefimpl
