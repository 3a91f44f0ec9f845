#pragma once

#include <map>
#include <string>

// Builds and reads JSON texts on ANSI strings; the UTF-8 of JSON stays inside.
class IJsonHelper {
public:
    // A one-level object of the map's entries in key order. Values that begin with "{" or "[{"
    // are embedded as parsed JSON (and dropped when they do not parse); the rest are strings.
    static void MapToJson(const std::map<std::string, std::string>& map, std::string& out);

    // The value at a "|"-separated path of member names (case-insensitive). Numbers become
    // integer text when `asInteger` is non-zero, else six-decimal text; arrays come wrapped in an
    // object under their own key. Returns 1 when a value was found; on 0 the failure is logged.
    static int GetArray(const std::string& json, const std::string& path, std::string& out,
                        int asInteger);
};
