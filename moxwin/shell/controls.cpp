#include "moxwin/shell/controls.h"

#include <vector>

namespace mox::shell {

std::wstring Control::text(int cap) const {
  std::vector<wchar_t> buffer(static_cast<size_t>(cap));
  int length = GetWindowTextW(handle_, buffer.data(), cap);
  return std::wstring(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

std::wstring ComboBox::item(int index) const {
  LRESULT length = send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
  return buffer.data();
}

void ListView::set_state(int item, UINT state, UINT mask) const {
  LVITEMW lv{};
  lv.stateMask = mask;
  lv.state = state;
  send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

LPARAM ListView::data(int item) const {
  LVITEMW lv{};
  lv.mask = LVIF_PARAM;
  lv.iItem = item;
  send(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
  return lv.lParam;
}

int ListView::insert(int index, const wchar_t* text, LPARAM data) const {
  LVITEMW lv{};
  lv.mask = LVIF_TEXT | LVIF_PARAM;
  lv.iItem = index;
  lv.pszText = const_cast<wchar_t*>(text);
  lv.lParam = data;
  return static_cast<int>(send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
}

void ListView::set_item_text(int item, int column, const wchar_t* text) const {
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = const_cast<wchar_t*>(text);
  send(LVM_SETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
}

std::wstring ListView::item_text(int item, int column, int cap) const {
  std::vector<wchar_t> buffer(static_cast<size_t>(cap));
  LVITEMW lv{};
  lv.iSubItem = column;
  lv.pszText = buffer.data();
  lv.cchTextMax = cap;
  LRESULT length = send(LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
  return std::wstring(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

int ListView::insert_column(int index, const wchar_t* title, int format, int width) const {
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.fmt = format;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(title);
  column.iSubItem = index;
  return static_cast<int>(send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

void Header::set_image(int item, int image) const {
  HDITEMW hd{};
  hd.mask = HDI_FORMAT | HDI_IMAGE;
  send(HDM_GETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&hd));
  hd.fmt |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
  hd.iImage = image;
  send(HDM_SETITEMW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&hd));
}

}  // namespace mox::shell
