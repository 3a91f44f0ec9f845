#pragma once

#include <string>

#include "MyCef.h"

class CMainDlg;

// A page of the main window: the real windows behind one layout page.
class CDlgFileHelper {
public:
    virtual ~CDlgFileHelper() = default;

    // Creates the page's real windows.
    virtual void CreatePage() = 0;
    // Prepares the page for the window's end; `text` comes back empty by default. 1 when done.
    virtual int ClosePage(std::string& text) {
        text.clear();
        return 1;
    }
};

// The main window's page: the embedded browser showing the service's web application.
class CDlgFileSBXX : public CDlgFileHelper {
public:
    explicit CDlgFileSBXX(CMainDlg* owner);

    void CreatePage() override;
    // Destroys the browser host window, which ends the browser.
    int ClosePage(std::string& text) override;

    CMyCef& GetBrowserWindow() { return browser_; }
    const std::string& GetStartPage() const { return startPage_; }

private:
    CMainDlg* owner_;
    CMyCef browser_;
    std::string startPage_;
};
