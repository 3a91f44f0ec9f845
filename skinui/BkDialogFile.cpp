#include "BkDialogFile.h"

#include <tinyxml.h>

#include "BkResource.h"

int CBkDialogFile::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    const char* src = xml ? xml->Attribute("src") : nullptr;
    std::string text;
    if (!src || !*src || !LoadResourceData(static_cast<UINT>(ParseInt(src)), L"xml", text)) {
        return 1;
    }
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(text, "dlgfile", document);
    if (root) {
        LoadChildren(root->FirstChildElement());
    }
    return 1;
}
