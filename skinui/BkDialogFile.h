#pragma once

#include "BkContainer.h"

// "dlgfile": a "dlg" whose children come from the XML resource named by "src" (root "dlgfile").
// A file already being loaded on the way to it, or one nested too deep, leaves it empty.
class CBkDialogFile : public CBkDialog {
public:
    BK_OBJECT_CLASS(CBkDialogFile)
    int Load(const TiXmlElement* xml) override;
};
