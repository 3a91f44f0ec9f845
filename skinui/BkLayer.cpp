#include "BkLayer.h"

#include <tinyxml.h>

#include <cctype>
#include <cstring>
#include <string>

#include "BkLimits.h"
#include "BkParse.h"

namespace {

// An integer attribute; absent or not a number keeps `fallback`.
int IntAttribute(const TiXmlElement& xml, const char* name, int fallback) {
    const char* text = xml.Attribute(name);
    if (!text) {
        return fallback;
    }
    const char* digits = (*text == '-' || *text == '+') ? text + 1 : text;
    return std::isdigit(static_cast<unsigned char>(*digits)) ? ParseInt(text) : fallback;
}

}  // namespace

BkLayerAttributes ParseLayerAttributes(const TiXmlElement& layer, BkExtent screen,
                                       BkExtent workArea) {
    BkLayerAttributes a;
    a.width = BkClamp(IntAttribute(layer, "width", 0), 0, kBkMaxWindowExtent);
    a.height = BkClamp(IntAttribute(layer, "height", 0), 0, kBkMaxWindowExtent);
    a.headerHeight = BkClamp(IntAttribute(layer, "Headerheight", 0), 0, kBkMaxWindowExtent);
    const BkExtent fallback = IntAttribute(layer, "fullscreen", 0) == 1 ? screen : workArea;
    if (a.width == 0) {
        a.width = fallback.cx;
    }
    if (a.height == 0) {
        a.height = fallback.cy;
    }
    if (IntAttribute(layer, "appwin", 0)) {
        a.exStyle |= bklayer::kAppWindow;
    }
    if (IntAttribute(layer, "resize", 0)) {
        a.style |= bklayer::kThickFrame | bklayer::kMinimizeBox | bklayer::kMaximizeBox;
        a.maximizable = true;
        if (IntAttribute(layer, "nomaxsize", 0)) {
            a.style &= ~bklayer::kMaximizeBox;
            a.maximizable = false;
        }
    }
    a.exStyle |= IntAttribute(layer, "toolwin", 0) ? bklayer::kToolWindow | bklayer::kTopmost
                                                   : bklayer::kWindowEdge | bklayer::kClientEdge;
    if (IntAttribute(layer, "child", 0)) {
        a.exStyle &= ~bklayer::kClientEdge;
        a.style = (a.style & 0x3F3FFF7Fu) | bklayer::kChild;
    }
    const char* crbg = layer.Attribute("crbg");
    a.crbg = crbg && std::strlen(crbg) == 6 ? ParseColorRGB(crbg) : 0;
    a.roundBorder = IntAttribute(layer, "RoundBorder", 1);
    a.showBorder = IntAttribute(layer, "ShowBorder", 0);
    const char* crborder = layer.Attribute("crborder");
    const size_t borderLength = crborder ? std::strlen(crborder) : 0;
    if (borderLength == 6) {
        a.crborder = ParseColorARGB(std::string("FF") + crborder);
    } else if (borderLength == 8) {
        a.crborder = ParseColorARGB(crborder);
    }
    return a;
}
