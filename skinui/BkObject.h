#pragma once

#include <windows.h>

#include <string>

#include "BkAttributes.h"
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
    // Applies one attribute through the class's table: a BkAttrResult (kAttrRepaint when the
    // attribute changes appearance, kAttrTaken when taken without repaint, kAttrRefused when
    // unknown or refused).
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading);
    // The class's attribute table (BK_ATTRIBUTES); none here.
    static const BkAttributeTable& AttributeTable();
    virtual const BkAttributeTable& Attributes() const { return AttributeTable(); }
};
