#pragma once

#include <string>

#include "BkWindow.h"

// "iconfrommodule": an icon handle given as a number ("iconhandle"), else the shell icon of
// the file at "srcfile".
class CBkDrawFileIcon : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkDrawFileIcon)
    BK_ATTRIBUTES()

protected:
    void OnPaint(HDC dc) override;

private:
    std::string path_;
    HICON icon_ = nullptr;
};
