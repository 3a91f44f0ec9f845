// The JSON helper: any text and path are read without harm, and a map written by MapToJson reads
// back through GetArray member by member.
#include <cjson/cJSON.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>

#include "Check.h"
#include "CodePage.h"
#include "JsonHelper.h"

namespace {

// The text as it survives the trip through UTF-8: what a caller could have read from the page.
std::string Settled(std::string text) {
    text = text.substr(0, text.find('\0'));
    return Utf8ToAnsi(AnsiToUtf8(text));
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(x & 0xFF) == std::tolower(y & 0xFF);
           });
}

void ReadAnything(FuzzedDataProvider& input) {
    const std::string path = input.ConsumeRandomLengthString(32);
    const int asInteger = input.ConsumeBool();
    const std::string json = input.ConsumeRemainingBytesAsString();
    std::string out = "before";
    const int result = IJsonHelper::GetArray(json, path, out, asInteger);
    FUZZ_CHECK(result == 0 || result == 1, "the result is found or not found");
}

void RoundTrip(FuzzedDataProvider& input) {
    std::map<std::string, std::string> map;
    while (input.remaining_bytes() > 0 && map.size() < 8) {
        const std::string key = Settled(input.ConsumeRandomLengthString(12));
        map[key] = Settled(input.ConsumeRandomLengthString(24));
    }
    std::string json;
    IJsonHelper::MapToJson(map, json);
    cJSON* parsed = cJSON_Parse(AnsiToUtf8(json).c_str());
    FUZZ_CHECK(parsed != nullptr, "MapToJson writes JSON");
    cJSON_Delete(parsed);
    for (const auto& member : map) {
        const std::string& key = member.first;
        const std::string& value = member.second;
        const bool plainKey = !key.empty() && key.find('|') == std::string::npos &&
                              std::count_if(map.begin(), map.end(), [&](const auto& other) {
                                  return SameIgnoringCase(other.first, key);
                              }) == 1;
        const bool plainValue = value.compare(0, 1, "{") != 0 && value.compare(0, 2, "[{") != 0;
        if (plainKey && plainValue) {
            std::string out;
            FUZZ_CHECK(IJsonHelper::GetArray(json, key, out, 0) == 1, "every member is found");
            FUZZ_CHECK(out == value, "and reads back as it was written");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        RoundTrip(input);
    } else {
        ReadAnything(input);
    }
    return 0;
}
