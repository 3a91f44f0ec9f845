// URL decoding: any text decodes without harm, and bytes encoded the way pages encode them ("%XX"
// in either case, "+" for a blank) decode to exactly those bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "Check.h"
#include "CodePage.h"
#include "UrlDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool lowerCase = input.ConsumeBool();
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    static const char kUpper[] = "0123456789ABCDEF";
    static const char kLower[] = "0123456789abcdef";
    const char* digits = lowerCase ? kLower : kUpper;
    std::string encoded;
    std::string plain;
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == ' ') {
            encoded.push_back('+');
        } else if (byte == '%' || byte == '+' || byte < 0x20 || byte >= 0x7F) {
            encoded += {'%', digits[byte >> 4], digits[byte & 0xF]};
        } else {
            encoded.push_back(c);
        }
        plain.push_back(c);
    }
    FUZZ_CHECK(DecodeUrl(encoded) == Utf8ToAnsi(plain), "encoded bytes decode to themselves");
    DecodeUrl(bytes);
    return 0;
}
