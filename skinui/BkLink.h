#pragma once

#include "BkWindow.h"

// "link": text whose "href" the host opens on a click.
class CBkLink : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkLink)
};
