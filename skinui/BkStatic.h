#pragma once

#include "BkWindow.h"

// "text": the element base's text, measured and drawn as the style says.
class CBkStatic : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "text"; }
};

// "link": text whose "href" the host opens on a click.
class CBkLink : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "link"; }
};

// "button": the style's skin paints the background by state, then the text goes over it.
class CBkButton : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "button"; }
    bool RepaintsOnStateChange() override { return true; }
};
