#include "BkDialogFile.h"

#include <tinyxml.h>

#include <algorithm>
#include <vector>

#include "BkLimits.h"
#include "BkResource.h"

namespace {

// The layout resources being loaded on this thread, outermost first.
thread_local std::vector<UINT> g_includePath;

class IncludeStep {
public:
    explicit IncludeStep(UINT id) { g_includePath.push_back(id); }
    ~IncludeStep() { g_includePath.pop_back(); }
    IncludeStep(const IncludeStep&) = delete;
    IncludeStep& operator=(const IncludeStep&) = delete;
};

// A file that includes itself, directly or through others, would be loaded without end.
bool MayInclude(UINT id) {
    return static_cast<int>(g_includePath.size()) < kBkMaxIncludeDepth &&
           std::find(g_includePath.begin(), g_includePath.end(), id) == g_includePath.end();
}

}  // namespace

int CBkDialogFile::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    const char* src = xml ? xml->Attribute("src") : nullptr;
    if (!src || !*src) {
        return 1;
    }
    const UINT id = static_cast<UINT>(ParseInt(src));
    std::string text;
    if (!MayInclude(id) || !LoadResourceData(id, L"xml", text)) {
        return 1;
    }
    const IncludeStep step(id);
    TiXmlDocument document;
    const TiXmlElement* root = ParseXmlRoot(text, "dlgfile", document);
    if (root) {
        LoadChildren(root->FirstChildElement());
    }
    return 1;
}
