#pragma once

#include <windows.h>

#include <string>

#include "BkTags.h"

class TiXmlElement;

// Root of everything that takes its attributes from XML: styles, skins and elements.
class CBkObject {
public:
    virtual ~CBkObject() = default;

    virtual bool IsClass(const char* name) const;
    virtual const char* GetObjectClass() const = 0;
    // Applies the element's attributes in document order; always 1.
    virtual int Load(const TiXmlElement* xml);
    // 1 when the attribute changes appearance, 0 when taken without repaint, E_FAIL when unknown.
    virtual HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading);
};
