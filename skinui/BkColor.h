#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

// The colour table: id -> ARGB, from XML `<color><cr id="0">e83c3c</cr></color>`.
class BkColor {
public:
    static BkColor& Instance();
    virtual ~BkColor() = default;

    bool LoadXml(const std::string& xml);
    bool Load(unsigned resourceId);
    // The stored colour, or 0 when the id is absent.
    DWORD Get(int id) const;

private:
    BkColor() = default;
    std::unordered_map<int, DWORD> colors_;
};

DWORD GetColor(int id);
