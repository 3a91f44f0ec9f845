#include "DlgFileSBXX.h"

#include "MainDlg.h"

namespace {

// The service's web application.
constexpr char kStartPage[] = "http://einvoice.tessel.example/";
constexpr UINT kBrowserSlot = 2900;

}  // namespace

CDlgFileSBXX::CDlgFileSBXX(CMainDlg* owner) : owner_(owner), startPage_(kStartPage) {}

void CDlgFileSBXX::CreatePage() {
    browser_.Create(owner_->GetView().m_hWnd, nullptr, WS_CHILD | WS_VISIBLE, kBrowserSlot);
    browser_.CreateBrowser(startPage_);
    UpdateWindow(browser_.m_hWnd);
}

int CDlgFileSBXX::ClosePage(std::string&) {
    if (browser_.IsWindow()) {
        DestroyWindow(browser_.m_hWnd);
    }
    return 1;
}
