#pragma once

#include <string>
#include <unordered_map>

// The string table: id -> text (UTF-16), from XML `<string><s id="0">text</s></string>`.
class BkString {
public:
    static BkString& Instance();
    virtual ~BkString() = default;

    // Adds the table's entries (later duplicates replace earlier ones); false when the text is
    // not XML or its root is not `string`.
    bool LoadXml(const std::string& xml);
    bool Load(unsigned resourceId);
    const std::wstring* Get(int id) const;

private:
    BkString() = default;
    std::unordered_map<int, std::wstring> texts_;
};

// The text of `id`, or null when the table has none.
const std::wstring* GetString(int id);
