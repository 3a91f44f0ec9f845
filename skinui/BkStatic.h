#pragma once

#include "BkWindow.h"

// "text": the element base's text, measured and drawn as the style says.
class CBkStatic : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkStatic)
};
