// The result list's header images: none, ascending and descending, drawn
// for the window's DPI (8 pixels square at 100 %) rather than stretched.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace mox::shell {

// The side of the images at a DPI.
int header_image_size(int dpi);

// The arrow of an image of the given side, one rectangle per pixel row:
// direction 1 points up (the values grow down the list), 2 down, 0 has none.
// Half the side high, each row two pixels wider than the one nearer the apex,
// so its edges are clean steps at every size.
std::vector<RECT> header_arrow(int direction, int size);

// A new image list holding the three images; *base is the first's index.
HIMAGELIST create_header_images(int dpi, int* base);

}  // namespace mox::shell
