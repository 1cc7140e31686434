#include "moxwin/shell/header_images.h"

#include "moxwin/shell/dpi.h"
#include "moxwin/shell/gdi.h"

namespace mox::shell {

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);
constexpr COLORREF kArrow = RGB(128, 128, 128);

}  // namespace

int header_image_size(int dpi) { return scaled(8, dpi); }

std::vector<RECT> header_arrow(int direction, int size) {
  std::vector<RECT> rows;
  if (direction != 1 && direction != 2) return rows;
  int height = size / 2;
  // The apex one eighth below the top (up) or the base three eighths (down).
  int top = direction == 1 ? size / 8 : size * 3 / 8;
  for (int i = 0; i < height; ++i) {
    int from_apex = direction == 1 ? i : height - 1 - i;
    int width = 2 * (from_apex + 1);
    int left = (size - width) / 2;
    rows.push_back({left, top + i, left + width, top + i + 1});
  }
  return rows;
}

HIMAGELIST create_header_images(int dpi, int* base) {
  int size = header_image_size(dpi);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 3, 3);
  HBITMAP strip = nullptr;
  {
    WindowDC screen(nullptr);
    strip = CreateCompatibleBitmap(screen.get(), size * 3, size);
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HBRUSH background = CreateSolidBrush(kTransparent);
  HBRUSH arrow = CreateSolidBrush(kArrow);
  {
    Selection bitmap(dc, strip);
    RECT all = {0, 0, size * 3, size};
    FillRect(dc, &all, background);
    for (int direction = 1; direction <= 2; ++direction) {
      for (RECT row : header_arrow(direction, size)) {
        OffsetRect(&row, size * direction, 0);
        FillRect(dc, &row, arrow);
      }
    }
  }
  DeleteObject(background);
  DeleteObject(arrow);
  DeleteDC(dc);
  *base = ImageList_AddMasked(images, strip, kTransparent);
  DeleteObject(strip);
  return images;
}

}  // namespace mox::shell
