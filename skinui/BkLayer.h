#pragma once

#include <cstdint>

class TiXmlElement;

// The window styles a layout's `layer` element may ask for (the system's values).
namespace bklayer {
constexpr uint32_t kPopup = 0x80000000u;
constexpr uint32_t kChild = 0x40000000u;
constexpr uint32_t kSysMenu = 0x00080000u;
constexpr uint32_t kThickFrame = 0x00040000u;
constexpr uint32_t kMinimizeBox = 0x00020000u;
constexpr uint32_t kMaximizeBox = 0x00010000u;
constexpr uint32_t kAppWindow = 0x00040000u;
constexpr uint32_t kToolWindow = 0x00000080u;
constexpr uint32_t kTopmost = 0x00000008u;
constexpr uint32_t kWindowEdge = 0x00000100u;
constexpr uint32_t kClientEdge = 0x00000200u;
}  // namespace bklayer

struct BkExtent {
    int cx;
    int cy;
};

// The window attributes of a layout's `layer` element.
struct BkLayerAttributes {
    int width = 0;
    int height = 0;
    int headerHeight = 0;
    uint32_t style = bklayer::kPopup | bklayer::kSysMenu;
    uint32_t exStyle = 0;
    bool maximizable = false;
    uint32_t crbg = 0;  // COLORREF
    uint32_t crborder = 0x40000000;
    int roundBorder = 1;
    int showBorder = 0;
};

// Reads the `layer` attributes; missing sizes come from `screen` ("fullscreen" 1) or `workArea`.
// Sizes are bounded by kBkMaxWindowExtent; a negative size counts as missing.
BkLayerAttributes ParseLayerAttributes(const TiXmlElement& layer, BkExtent screen,
                                       BkExtent workArea);
