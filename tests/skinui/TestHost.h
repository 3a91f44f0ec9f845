#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "BkContainer.h"
#include "BkTabCtrl.h"

class DibCanvas;

// Loads a layout (a "dlg" root) and lays it out in a width x height area that the root fills.
std::unique_ptr<CBkDialog> LoadTree(const std::string& xml, int width, int height,
                                    HWND host = nullptr);

// A real window hosting an element tree, for tests: it lays the tree out, paints it into a DIB,
// feeds it mouse input as a skinned window does (hover, push, leave) and records what the
// elements notify. It can refuse tab page changes.
class TestHost {
public:
    TestHost(const std::string& xml, int width, int height);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    HWND window() const { return window_; }
    CBkDialog& root() { return *root_; }
    void Paint(DibCanvas& canvas);
    void MouseMove(int x, int y);
    void MouseLeave();
    void Click(int x, int y);

    bool refusePageChange = false;
    std::vector<UINT> codes;
    std::vector<RECT> redraws;
    std::vector<BKNMTABSELCHANGE> pageChanges;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnNotify(NMHDR* header);
    CBkWindow* ElementAt(int x, int y);
    void SendTo(int handle, UINT message, int x, int y);

    HWND window_ = nullptr;
    std::unique_ptr<CBkDialog> root_;
    int hover_ = 0;
    int pushed_ = 0;
};
