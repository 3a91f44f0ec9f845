#pragma once

#include <windows.h>

#include <tinyxml.h>

#include <string>

#include "BkParse.h"
#include "BkXml.h"

// The bytes of resource `id` of `type` in the program's own module; false when it is missing
// or empty.
bool LoadResourceData(UINT id, const wchar_t* type, std::string& buffer);

// Calls take(id, text) for each child `tag` of `root` that has an "id" attribute (decimal).
template <class Take>
void ForEachIdEntry(const TiXmlElement* root, const char* tag, Take take) {
    for (const TiXmlElement* e = root->FirstChildElement(tag); e; e = e->NextSiblingElement(tag)) {
        const char* id = e->Attribute("id");
        if (id) {
            take(ParseInt(id), e->GetText() ? e->GetText() : "");
        }
    }
}
