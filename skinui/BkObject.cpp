#include "BkObject.h"

#include <tinyxml.h>

#include <cstring>

bool CBkObject::IsClass(const char* name) const {
    return name && std::strcmp(name, GetObjectClass()) == 0;
}

int CBkObject::Load(const TiXmlElement* xml) {
    if (!xml) {
        return 1;
    }
    for (const TiXmlAttribute* a = xml->FirstAttribute(); a; a = a->Next()) {
        SetAttribute(a->Name(), a->Value(), true);
    }
    return 1;
}

HRESULT CBkObject::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    return Attributes().Apply(*this, name, value, loading);
}

const BkAttributeTable& CBkObject::AttributeTable() {
    static const BkAttributes<CBkObject> none(nullptr, {});
    return none;
}
