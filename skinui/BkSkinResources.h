#pragma once

// Resource ids of the skin tables.
enum BkSkinResourceId : unsigned {
    kSkinTableId = 1,
    kStyleTableId = 2,
    kStringTableId = 3,
    kColorTableId = 4,
};

// Loads strings, colours, the default font, skins and styles, in that order, from the program's
// XML resources. Called once at start-up before any window exists.
void LoadSkinResources();
