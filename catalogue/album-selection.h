#pragma once

namespace app {
class Window;
}

namespace catalogue {

// The album list's selection handlers, run on the window's thread after
// the toolkit changed the clicked box. Each takes the row count once, so
// rows a listing appends meanwhile keep the tick it gave them.
void TickAllAlbums(app::Window& window);         // click of 选择框_全选
void InvertAlbumTicks(app::Window& window);      // click of 选择框_反选
void OnAlbumRowCheck(app::Window& window, int row);  // a row's check box changed

}  // namespace catalogue
