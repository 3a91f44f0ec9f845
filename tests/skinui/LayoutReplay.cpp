// Replays layout and table texts through the skin framework in real windows. Each input is loaded
// as the string, colour, skin and style tables, and every skin it names is drawn in every state at
// a few sizes; then it is loaded as a layout into a real skinned window, laid out and painted at a
// tiny and a large size, hovered over a grid of points and clicked a few times; its tree is
// destroyed when the next input replaces it or its window closes.
//   layout_replay.exe LIST PROGRESS [FIRST [COUNT]]
// LIST holds one input path per line; the replay runs COUNT inputs (all by default) from line
// FIRST (counted from 0). Before an
// input it writes the input's line number to PROGRESS, so that whoever runs it can tell which
// input a crash or hang belongs to; after it, it prints the line number, the milliseconds taken,
// the process's private memory in KiB at the last moment no window was open, and what the input
// was taken as (1: a layout, 2: a table, 3: both).
#include <windows.h>
#include <psapi.h>

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BkColor.h"
#include "BkSkinPool.h"
#include "BkSkinResources.h"
#include "BkString.h"
#include "BkStyle.h"
#include "BkXml.h"
#include "DialogTestSupport.h"
#include "MessagePump.h"
#include "Win32Handles.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The names of the skins a skin table declares, read the way the pool reads them.
std::vector<std::string> SkinNames(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
    std::vector<std::string> names;
    const TiXmlElement* root = document.RootElement();
    for (const TiXmlElement* e = root ? root->FirstChildElement() : nullptr; e;
         e = e->NextSiblingElement()) {
        if (const char* name = e->Attribute("name")) {
            names.push_back(name);
        }
    }
    return names;
}

void DrawSkins(const std::vector<std::string>& names) {
    const gdi::MemoryDc dc(nullptr);
    const gdi::Object<HBITMAP> bitmap(CreateBitmap(160, 120, 1, 32, nullptr));
    const gdi::Selection selected(dc, bitmap);
    for (const std::string& name : names) {
        CBkSkinBase* skin = GetSkin(name);
        if (!skin) {
            continue;
        }
        skin->GetSkinSize();
        for (const RECT& rect : {RECT{0, 0, 160, 120}, RECT{10, 10, 13, 12}, RECT{5, 5, 5, 5}}) {
            for (int state = 0; state < 4; ++state) {
                skin->Draw(dc, rect, state);
                skin->StretchDraw(dc, rect, state);
            }
        }
    }
}

// Whether the text was taken as a table of any kind.
bool ReplayTables(const std::string& xml) {
    bool taken = BkString::Instance().LoadXml(xml);
    taken = BkColor::Instance().LoadXml(xml) || taken;
    taken = BkStylePool::Instance().LoadXml(xml) || taken;
    if (BkSkinPool::Instance().LoadXml(xml)) {
        DrawSkins(SkinNames(xml));
        taken = true;
    }
    return taken;
}

// Links would open whatever they name when clicked: the replay never starts programs.
void DisarmLinks(CBkWindow& element) {
    if (!element.GetHref().empty()) {
        element.SetAttribute("href", "", false);
    }
    if (element.IsContainer()) {
        for (const auto& child : static_cast<CBkContainerWnd&>(element).Children()) {
            DisarmLinks(*child);
        }
    }
}

void Mouse(HWND view, UINT message, int x, int y, WPARAM keys = 0) {
    SendMessageW(view, message, keys, MAKELPARAM(x, y));
}

// Texts whose root is not a layout's are replayed as the content of one, as the tests write them.
std::string AsLayout(const std::string& xml) {
    TiXmlDocument document;
    return ParseXmlRoot(xml, "layer", document) ? xml : "<layer>" + xml + "</layer>";
}

SIZE_T PrivateKiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage / 1024;
}

// Lays the window's tree out at a large and a tiny size, paints it at each, hovers over a grid of
// points and clicks a few.
void Exercise(TestDialog& dialog) {
    DisarmLinks(dialog.GetView().Root());
    const HWND view = dialog.view();
    for (const SIZE size : {SIZE{37, 23}, SIZE{800, 600}}) {
        SetWindowPos(dialog.m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RedrawWindow(dialog.m_hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    for (int y = 1; y < 4; ++y) {
        for (int x = 1; x < 5; ++x) {
            Mouse(view, WM_MOUSEMOVE, 800 * x / 5, 600 * y / 4);
        }
    }
    for (const POINT at : {POINT{160, 120}, POINT{480, 40}, POINT{20, 460}}) {
        if (!IsWindow(view)) {
            break;
        }
        Mouse(view, WM_MOUSEMOVE, at.x, at.y);
        Mouse(view, WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
        Mouse(view, WM_LBUTTONUP, at.x, at.y);
    }
    PumpMessages();
}

// Replays layouts in real windows. Every tenth layout opens a window of its own, so that the
// window attributes of layouts apply as they do when a window is made; the others replace the
// tree of the window that is open, as a program does that changes its layout.
class LayoutReplay {
public:
    explicit LayoutReplay(HWND owner) : owner_(owner) {}
    ~LayoutReplay() { Close(); }

    // The process's private memory when no window was open, last time there was none: what the
    // replay keeps from one input to the next, without the buffers of the open window.
    SIZE_T baselineKiB() const { return baselineKiB_; }

    // Whether the text was taken as a layout.
    bool Run(const std::string& xml) {
        const std::string layout = AsLayout(xml);
        if (count_++ % 10 == 0 || !dialog_ || !IsWindow(dialog_->m_hWnd)) {
            Close();
            baselineKiB_ = PrivateKiB();
            dialog_ = std::make_unique<TestDialog>(layout);
            if (!dialog_->GetView().IsLayoutLoaded() || !dialog_->Create(owner_)) {
                dialog_.reset();
                return false;
            }
            ShowWindow(dialog_->m_hWnd, SW_SHOWNOACTIVATE);
        } else if (!dialog_->SetXml(layout)) {
            return false;
        }
        Exercise(*dialog_);
        return true;
    }

private:
    void Close() {
        if (dialog_ && IsWindow(dialog_->m_hWnd)) {
            DestroyWindow(dialog_->m_hWnd);
            PumpMessages();
        }
        dialog_.reset();
    }

    HWND owner_;
    std::unique_ptr<TestDialog> dialog_;
    unsigned count_ = 0;
    SIZE_T baselineKiB_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: layout_replay LIST PROGRESS [FIRST [COUNT]]\n");
        return 2;
    }
    std::vector<std::string> inputs;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        inputs.push_back(line);
    }
    const size_t first = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
    const size_t end =
        argc > 4 ? std::min<size_t>(inputs.size(), first + std::strtoul(argv[4], nullptr, 10))
                 : inputs.size();
    LoadSkinResources();
    OwnerWindow owner(0, 0, 200, 100);
    LayoutReplay layouts(owner.hwnd());
    for (size_t index = first; index < end; ++index) {
        {
            std::ofstream progress(argv[2], std::ios::trunc);
            progress << index << "\n";
        }
        const DWORD start = GetTickCount();
        const std::string xml = ReadFile(inputs[index]);
        const bool table = ReplayTables(xml);
        const bool layout = layouts.Run(xml);
        std::printf("%u %lu %lu %d\n", static_cast<unsigned>(index), GetTickCount() - start,
                    static_cast<unsigned long>(layouts.baselineKiB()),
                    (layout ? 1 : 0) | (table ? 2 : 0));
        std::fflush(stdout);
    }
    return 0;
}
