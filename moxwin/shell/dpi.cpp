#include "moxwin/shell/dpi.h"

namespace mox::shell {

namespace {

// The calls of Windows 10 1607 and later, looked up so that the program
// still starts on Windows 7.
struct DpiCalls {
  UINT(WINAPI* dpi_for_window)(HWND) = nullptr;
  int(WINAPI* metrics_for_dpi)(int, UINT) = nullptr;
  BOOL(WINAPI* parameters_for_dpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
};

const DpiCalls& dpi_calls() {
  static const DpiCalls calls = [] {
    DpiCalls found;
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (!user) return found;
    found.dpi_for_window = reinterpret_cast<decltype(found.dpi_for_window)>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
    found.metrics_for_dpi = reinterpret_cast<decltype(found.metrics_for_dpi)>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")));
    found.parameters_for_dpi = reinterpret_cast<decltype(found.parameters_for_dpi)>(
        reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
    return found;
  }();
  return calls;
}

int screen_dpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, kBaseDpi); }

int rescaled(int pixels, int from_dpi, int to_dpi) {
  return from_dpi > 0 ? MulDiv(pixels, to_dpi, from_dpi) : pixels;
}

int window_dpi(HWND window) {
  if (window && dpi_calls().dpi_for_window) {
    UINT dpi = dpi_calls().dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return screen_dpi();
}

int metric_for_dpi(int index, int dpi) {
  if (dpi_calls().metrics_for_dpi) return dpi_calls().metrics_for_dpi(index, static_cast<UINT>(dpi));
  return rescaled(GetSystemMetrics(index), screen_dpi(), dpi);
}

HFONT create_menu_font(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (dpi_calls().parameters_for_dpi) {
    if (!dpi_calls().parameters_for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
      return nullptr;
  } else {
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    metrics.lfMenuFont.lfHeight = rescaled(metrics.lfMenuFont.lfHeight, screen_dpi(), dpi);
  }
  return CreateFontIndirectW(&metrics.lfMenuFont);
}

}  // namespace mox::shell
