// Owners for drawing handles: each releases what it holds when it goes.
#pragma once
#include <windows.h>

#include <utility>

namespace mox::shell {

// A font the program created.
class OwnedFont {
 public:
  OwnedFont() = default;
  explicit OwnedFont(HFONT font) : font_(font) {}
  ~OwnedFont() { reset(); }
  OwnedFont(OwnedFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
  OwnedFont& operator=(OwnedFont&& other) noexcept {
    if (this != &other) {
      reset();
      font_ = std::exchange(other.font_, nullptr);
    }
    return *this;
  }
  HFONT get() const { return font_; }
  void reset() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
  }

 private:
  HFONT font_ = nullptr;
};

// An icon the program extracted or was handed by the shell.
class OwnedIcon {
 public:
  OwnedIcon() = default;
  explicit OwnedIcon(HICON icon) : icon_(icon) {}
  ~OwnedIcon() {
    if (icon_) DestroyIcon(icon_);
  }
  OwnedIcon(OwnedIcon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  OwnedIcon& operator=(OwnedIcon&& other) noexcept {
    if (this != &other) {
      if (icon_) DestroyIcon(icon_);
      icon_ = std::exchange(other.icon_, nullptr);
    }
    return *this;
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

// A window's device context, given back when done.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context; the one it replaced comes back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace mox::shell
