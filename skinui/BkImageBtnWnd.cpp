#include "BkImageBtnWnd.h"

int CBkImageBtnWnd::PaintIndex() const {
    if (IsDisabled(true)) {
        return 3;
    }
    if (state_ & StatePushed) {
        return 2;
    }
    return (state_ & StateHover) ? 1 : 0;
}
