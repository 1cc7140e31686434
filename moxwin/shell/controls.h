// Thin wrappers over the window's controls: each method is one message, so
// the code that uses them reads as what it does.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace mox::shell {

class Control {
 public:
  explicit Control(HWND handle) : handle_(handle) {}
  Control(HWND dialog, int id) : handle_(GetDlgItem(dialog, id)) {}
  HWND handle() const { return handle_; }
  void enable(bool on) const { EnableWindow(handle_, on); }
  void focus() const { SetFocus(handle_); }
  void show(int command) const { ShowWindow(handle_, command); }
  void set_text(const wchar_t* text) const { SetWindowTextW(handle_, text); }
  // At most cap - 1 characters.
  std::wstring text(int cap) const;

 protected:
  LRESULT send(UINT message, WPARAM w = 0, LPARAM l = 0) const { return SendMessageW(handle_, message, w, l); }
  HWND handle_;
};

class Button : public Control {
 public:
  using Control::Control;
  bool checked() const { return send(BM_GETCHECK) == BST_CHECKED; }
  void set_checked(bool on) const { send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
};

class ComboBox : public Control {
 public:
  using Control::Control;
  int count() const { return static_cast<int>(send(CB_GETCOUNT)); }
  // Whole text, letter case ignored; CB_ERR when absent.
  int find_exact(const wchar_t* text) const {
    return static_cast<int>(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text)));
  }
  int insert(int index, const wchar_t* text) const {
    return static_cast<int>(send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int add(const wchar_t* text) const { return static_cast<int>(send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  void remove(int index) const { send(CB_DELETESTRING, static_cast<WPARAM>(index)); }
  std::wstring item(int index) const;
  int selection() const { return static_cast<int>(send(CB_GETCURSEL)); }
  void select(int index) const { send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  // Inserts the text at the top unless an entry equals it already.
  void insert_at_top_unless_present(const wchar_t* text) const {
    if (find_exact(text) == CB_ERR) insert(0, text);
  }
};

class ListView : public Control {
 public:
  using Control::Control;
  int count() const { return static_cast<int>(send(LVM_GETITEMCOUNT)); }
  int selected_count() const { return static_cast<int>(send(LVM_GETSELECTEDCOUNT)); }
  // The next item after `from` (-1: from the start) with the LVNI_* flags.
  int next(int from, UINT flags) const { return static_cast<int>(send(LVM_GETNEXTITEM, static_cast<WPARAM>(from), flags)); }
  int focused() const { return next(-1, LVNI_FOCUSED); }
  // 1 unchecked, 2 checked.
  int state_image(int item) const {
    return static_cast<int>((send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12);
  }
  void set_state_image(int item, int image) const { set_state(item, INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK); }
  bool checked(int item) const { return state_image(item) != 1; }
  void set_checked(int item, bool on) const { set_state_image(item, on ? 2 : 1); }
  bool selected(int item) const { return send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) != 0; }
  // Item -1: every item.
  void set_selected(int item, bool on) const { set_state(item, on ? LVIS_SELECTED : 0, LVIS_SELECTED); }
  void set_state(int item, UINT state, UINT mask) const;
  LPARAM data(int item) const;
  // Inserts an item with its text and data; returns its index or -1.
  int insert(int index, const wchar_t* text, LPARAM data) const;
  void set_item_text(int item, int column, const wchar_t* text) const;
  // At most cap - 1 characters.
  std::wstring item_text(int item, int column, int cap) const;
  void clear() const { send(LVM_DELETEALLITEMS); }
  void set_redraw(bool on) const { send(WM_SETREDRAW, on); }
  void add_extended_style(DWORD styles) const { send(LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles); }
  int insert_column(int index, const wchar_t* title, int format, int width) const;
  int column_width(int column) const { return static_cast<int>(send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); }
  void set_column_width(int column, int width) const {
    send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
  }
  bool column_order(int count, int* order) const {
    return send(LVM_GETCOLUMNORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(order)) != 0;
  }
  void set_column_order(int count, const int* order) const {
    send(LVM_SETCOLUMNORDERARRAY, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(order));
  }
  HWND header() const { return reinterpret_cast<HWND>(send(LVM_GETHEADER)); }
  int string_width(const wchar_t* text) const {
    return static_cast<int>(send(LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text)));
  }
  void edit_label(int item) const { send(LVM_EDITLABELW, static_cast<WPARAM>(item)); }
  void sort(PFNLVCOMPARE compare, LPARAM parameter) const { send(LVM_SORTITEMS, parameter, reinterpret_cast<LPARAM>(compare)); }
  void delete_item(int item) const { send(LVM_DELETEITEM, static_cast<WPARAM>(item)); }
  int client_width() const {
    RECT r;
    GetClientRect(handle_, &r);
    return r.right - r.left;
  }
};

// The header of a list view: the image each item shows beside its title.
class Header : public Control {
 public:
  using Control::Control;
  int count() const { return static_cast<int>(send(HDM_GETITEMCOUNT)); }
  void set_image_list(HIMAGELIST images) const { send(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)); }
  void set_image(int item, int image) const;
};

}  // namespace mox::shell
