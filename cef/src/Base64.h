#pragma once

#include <string>

namespace cefimpl {

std::string Base64Encode(const std::string& bytes);
// False when `text` is not base64 (white space is skipped); `bytes` then holds what decoded.
bool Base64Decode(const std::string& text, std::string& bytes);

}  // namespace cefimpl
