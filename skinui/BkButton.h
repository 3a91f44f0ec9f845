#pragma once

#include "BkWindow.h"

// "button": the style's skin paints the background by state, then the text goes over it.
class CBkButton : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkButton)
    bool RepaintsOnStateChange() override { return true; }
};
