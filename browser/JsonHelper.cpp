#include "JsonHelper.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "CodePage.h"
#include "Log.h"

namespace {

struct JsonDeleter {
    void operator()(cJSON* node) const { cJSON_Delete(node); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

struct TextDeleter {
    void operator()(char* text) const { cJSON_free(text); }
};
using JsonText = std::unique_ptr<char, TextDeleter>;

bool LooksLikeJson(const std::string& value) {
    return value.compare(0, 1, "{") == 0 || value.compare(0, 2, "[{") == 0;
}

std::string PrintUnformatted(const cJSON* node) {
    const JsonText text(cJSON_PrintUnformatted(node));
    return text ? std::string(text.get()) : std::string();
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('|', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start) {
            components.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return components;
}

std::string NumberText(const cJSON* number, int asInteger) {
    char text[512] = {};
    const double value = number->valuedouble;
    if (asInteger && std::fabs(value) < 9.0e18) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else if (asInteger) {
        std::snprintf(text, sizeof text, "%.0f", std::trunc(value));
    } else {
        std::snprintf(text, sizeof text, "%f", value);
    }
    return text;
}

// Reads the member at the path; `out` as the walk leaves it (UTF-8), the result as returned.
int WalkPath(const cJSON* root, const std::vector<std::string>& components, std::string& out,
             int asInteger) {
    const cJSON* current = root;
    const cJSON* searched = nullptr;
    int result = 0;
    for (const std::string& component : components) {
        const cJSON* member = cJSON_GetObjectItem(current, component.c_str());
        if (!member || current == searched) {
            out.clear();
            break;
        }
        searched = current;
        if (cJSON_IsNull(member)) {
            out.clear();
            result = 1;
        } else if (cJSON_IsNumber(member)) {
            out = NumberText(member, asInteger);
            result = 1;
        } else if (cJSON_IsString(member)) {
            out = member->valuestring;
            result = 1;
        } else if (cJSON_IsArray(member)) {
            out = "{\"" + std::string(member->string) + "\":" + PrintUnformatted(member) + "}";
            result = 1;
        } else if (cJSON_IsObject(member)) {
            current = member;
            result = 1;
        }
    }
    return result;
}

void LogReadFailure(const std::string& path) {
    WriteLog(kLogError, "IJsonHelper::GetArray", "解析Json信息有误");
    WriteLog(kLogError, "IJsonHelper::GetArray PATH", path);
}

}  // namespace

void IJsonHelper::MapToJson(const std::map<std::string, std::string>& map, std::string& out) {
    const JsonPtr object(cJSON_CreateObject());
    for (const auto& [key, value] : map) {
        const std::string utf8Key = AnsiToUtf8(key);
        if (LooksLikeJson(value)) {
            cJSON* parsed = cJSON_Parse(AnsiToUtf8(value).c_str());
            if (parsed) {
                cJSON_AddItemToObject(object.get(), utf8Key.c_str(), parsed);
            }
        } else {
            cJSON_AddStringToObject(object.get(), utf8Key.c_str(), AnsiToUtf8(value).c_str());
        }
    }
    out = Utf8ToAnsi(PrintUnformatted(object.get()));
}

int IJsonHelper::GetArray(const std::string& json, const std::string& path, std::string& out,
                          int asInteger) {
    // Split and compared in UTF-8, as the parsed names are: a double-byte character of the code
    // page may end in the byte of "|".
    const std::vector<std::string> components = SplitPath(AnsiToUtf8(path));
    const JsonPtr root(components.empty() ? nullptr : cJSON_Parse(AnsiToUtf8(json).c_str()));
    if (!root) {
        LogReadFailure(path);
        return 0;
    }
    std::string value = AnsiToUtf8(out);
    const int result = WalkPath(root.get(), components, value, asInteger);
    out = Utf8ToAnsi(value);
    if (!result) {
        LogReadFailure(path);
    }
    return result;
}
