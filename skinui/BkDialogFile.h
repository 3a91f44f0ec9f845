#pragma once

#include "BkContainer.h"

// "dlgfile": a "dlg" whose children come from the XML resource named by "src" (root "dlgfile").
// A file already being loaded on the way to it, or one nested too deep, leaves it empty.
class CBkDialogFile : public CBkDialog {
public:
    const char* GetObjectClass() const override { return "dlgfile"; }
    int Load(const TiXmlElement* xml) override;
};
