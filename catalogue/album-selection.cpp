#include "catalogue/album-selection.h"

#include "app/window.h"

namespace catalogue {

namespace {
constexpr char TickAllBox[] = "选择框_全选";
constexpr char InvertBox[] = "选择框_反选";
}  // namespace

void TickAllAlbums(app::Window& window)
{
    // Unticking the box leaves the rows as they are.
    if (!window.isChecked(TickAllBox))
        return;
    window.setChecked(InvertBox, false);
    int const rows = window.rowCount();
    for (int row = 0; row < rows; ++row)
        window.setRowCheckState(row, 1);
}

void InvertAlbumTicks(app::Window& window)
{
    if (!window.isChecked(InvertBox))
        return;
    window.setChecked(TickAllBox, false);
    int const rows = window.rowCount();
    for (int row = 0; row < rows; ++row) {
        int const state = window.rowCheckState(row);
        if (state == 0 || state == 1)  // a row without a check box keeps its state
            window.setRowCheckState(row, 1 - state);
    }
}

void OnAlbumRowCheck(app::Window& window, int row)
{
    window.selectRow(row);
}

}  // namespace catalogue
