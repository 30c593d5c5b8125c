#pragma once

#include <string>
#include <string_view>

#include "net/text.h"

namespace app {

// The toolkit operations the core needs, on controls named by their design
// names ("按钮_下载选中", "进度条1", "超级列表框1" ...).
//
// Thread rule: any thread may call any member. A call from a worker is
// carried out as if on the window's thread, synchronously and in the order
// made; the caller waits for it. A worker must not hold a lock that the
// window thread needs while it calls in.
class Window {
public:
    virtual ~Window() = default;

    // Text or caption of an edit box, label or button.
    virtual std::string text(std::string_view control) = 0;
    virtual void setText(std::string_view control, std::string const& text) = 0;

    // Tick of a check box or radio button. Writing does not raise the
    // control's click handler.
    virtual bool isChecked(std::string_view control) = 0;
    virtual void setChecked(std::string_view control, bool checked) = 0;

    virtual void setVisible(std::string_view control, bool visible) = 0;
    // A disabled button cannot be pressed. The default does nothing.
    virtual void setEnabled(std::string_view /*control*/, bool /*enabled*/) {}

    // Progress bar: a position beyond the maximum is shown as the maximum.
    virtual int progressPosition(std::string_view control) = 0;
    virtual int progressMaximum(std::string_view control) = 0;
    virtual void setProgressPosition(std::string_view control, int position) = 0;
    virtual void setProgressMaximum(std::string_view control, int maximum) = 0;

    // Appends at the end of the operation log 编辑框_操作记录.
    virtual void appendLog(std::string const& entry) = 0;

    // The album list 超级列表框1. Rows and columns count from 0; a row's
    // check state is 0 (not ticked) or 1 (ticked).
    virtual void clearRows() = 0;
    virtual int appendRow() = 0;
    virtual int rowCount() = 0;
    virtual std::string cellText(int row, int column) = 0;
    virtual void setCellText(int row, int column, std::string const& text) = 0;
    virtual void setCellImage(int row, int column, int imageIndex) = 0;
    virtual int rowCheckState(int row) = 0;
    virtual void setRowCheckState(int row, int state) = 0;
    virtual void setColumnWidth(int column, int width) = 0;
    virtual void selectRow(int row) = 0;
    // Adds a cover picture (encoded bytes, JPEG/PNG/WebP) to the list's item
    // images; the window decodes and scales it to 100 x 100. Returns its index.
    virtual int addCoverImage(net::Bytes const& picture) = 0;

    // Date and time of a date picker.
    virtual net::DateTime dateTime(std::string_view control) = 0;

    // Message box with caption "信息：" and an OK button; returns when closed.
    // A worker's box does not block the window.
    virtual void messageBox(std::string const& text) = 0;

    // Lets the window handle what is queued.
    virtual void processEvents() = 0;
};

}  // namespace app
