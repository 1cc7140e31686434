// Benchmark, run by hand: how long the window keeps a user waiting while a
// run's program works. The real moxwin.exe runs from a scratch working
// folder with a program line that sleeps (sleeper.exe beside this program);
// after Start, WM_NULL is sent to its window at a steady rate, each answer
// coming back by callback, and every round trip is recorded: a window that
// pumps its messages answers at once.
//   waitbench [seconds] [interval]
//     seconds: how long the program line runs (default 30);
//     interval: milliseconds from one probe to the next (default 20)
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "moxwin/bench/figures.h"
#include "moxwin/resource.h"
#include "moxwin/shell/remote_window.h"

namespace mox {
namespace {

using bench::now_seconds;

constexpr double kIdleSeconds = 1;
constexpr double kStartPhase = 2;    // the blocking start lies within this after Start
constexpr double kAnswerWait = 10;   // how long to wait for the last answers
constexpr double kGoalSeconds = 0.3;

struct Probe {
  double sent = 0, answered = -1;  // seconds from the origin; -1: no answer yet
  double delay() const { return answered - sent; }
};

// The probes of the current phase; the answers arrive in this thread.
struct Probing {
  std::vector<Probe> probes;
  double origin = 0;
};
Probing g_probing;

void CALLBACK note_answer(HWND, UINT, ULONG_PTR index, LRESULT) {
  g_probing.probes[index].answered = now_seconds() - g_probing.origin;
}

// Handles this thread's messages (the answers among them) until the time.
void pump_until(double until) {
  for (double left; (left = until - now_seconds()) > 0;) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(1000 * left) + 1, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

bool all_answered() {
  for (const Probe& p : g_probing.probes)
    if (p.answered < 0) return false;
  return true;
}

// Sends WM_NULL every interval from `origin` while `more` says so, without
// waiting for the answers, so that the probes keep their rate while the
// window is blocked; then waits for the answers. Unanswered probes are
// counted as answered at the end.
template <typename More>
std::vector<Probe> probe_while(HWND window, double origin, double interval, More more) {
  g_probing = Probing{{}, origin};
  for (double next = 0; more(); next += interval) {
    pump_until(origin + next);
    g_probing.probes.push_back({now_seconds() - origin});
    SendMessageCallbackW(window, WM_NULL, 0, 0, note_answer, g_probing.probes.size() - 1);
  }
  for (double until = now_seconds() + kAnswerWait; !all_answered() && now_seconds() < until;) pump_until(now_seconds() + 0.01);
  for (Probe& p : g_probing.probes)
    if (p.answered < 0) p.answered = now_seconds() - origin;
  return g_probing.probes;
}

// The run, from Start until its end is shown (Start enabled again).
struct Run {
  std::vector<Probe> probes;
  double started = -1, ended = -1;  // Start seen disabled, enabled again
};

Run run_and_probe(HWND window, double interval, double limit) {
  Run run;
  HWND start = GetDlgItem(window, IDC_START);
  double origin = now_seconds();
  test::post_command(window, IDC_START);
  run.probes = probe_while(window, origin, interval, [&] {
    double now = now_seconds() - origin;
    bool enabled = IsWindowEnabled(start);
    if (run.started < 0 && !enabled) run.started = now;
    if (run.started >= 0 && enabled) run.ended = now;
    return run.ended < 0 && now < limit;
  });
  return run;
}

std::vector<double> delays(const std::vector<Probe>& probes) {
  std::vector<double> result;
  for (const Probe& p : probes) result.push_back(p.delay());
  return result;
}

void print_delays(const char* what, const std::vector<Probe>& probes) {
  std::vector<double> d = delays(probes);
  int over = 0;
  for (const Probe& p : probes) over += p.delay() > kGoalSeconds;
  std::printf("%-34s %7zu %9.1f %9.1f %9.1f %9d\n", what, probes.size(), 1e3 * bench::median(d),
              1e3 * bench::quantile(d, 0.99), 1e3 * bench::quantile(d, 1.0), over);
}

}  // namespace
}  // namespace mox

int wmain(int argc, wchar_t** argv) {
  using namespace mox;
  int seconds = argc > 1 ? _wtoi(argv[1]) : 30;
  int interval_ms = argc > 2 ? _wtoi(argv[2]) : 20;
  if (seconds < 2 || interval_ms < 1) {
    std::fprintf(stderr, "usage: waitbench [seconds] [interval]\n");
    return 2;
  }
  double interval = interval_ms / 1000.0;
  test::start_watchdog(static_cast<unsigned long>(1000 * (seconds + 120)));

  test::TempDir folder(L"waitbench");
  std::wstring exe = test::copy_program(folder.path, std::string("[Options]\r\nbuffer=64M\r\n"));
  test::RemoteProgram program(exe, L"", folder.path);
  HWND window = program.wait_main_window();
  if (!window) {
    std::fprintf(stderr, "waitbench: the window of %ls did not appear\n", exe.c_str());
    return 1;
  }
  std::wstring line = L"\"" + test::program_dir() + L"\\sleeper.exe\" " + std::to_wstring(seconds);
  test::set_control_text(window, IDC_PROGRAM, line);

  double idle_origin = now_seconds();
  std::vector<Probe> idle =
      probe_while(window, idle_origin, interval, [&] { return now_seconds() - idle_origin < kIdleSeconds; });
  Run run = run_and_probe(window, interval, seconds + 60.0);
  if (run.ended < seconds) {
    std::fprintf(stderr, "waitbench: the run ended after %.1f s, sooner than its program line\n", run.ended);
    return 1;
  }

  // The blocking start: the longest probe sent soon after Start; the probes
  // sent once it was answered are the run as the user lives it.
  size_t blocked = 0;
  for (size_t i = 0; i < run.probes.size() && run.probes[i].sent < kStartPhase; ++i)
    if (run.probes[i].delay() > run.probes[blocked].delay()) blocked = i;
  std::vector<Probe> after;
  for (const Probe& p : run.probes)
    if (p.sent >= run.probes[blocked].answered) after.push_back(p);
  double worst = bench::quantile(delays(after), 1.0);

  std::printf("waitbench: program line %ls, a probe (WM_NULL by SendMessageCallback) every %d ms\n", line.c_str(),
              interval_ms);
  std::printf("run: Start disabled at +%.0f ms, enabled again at +%.0f ms\n", 1e3 * run.started, 1e3 * run.ended);
  const Probe& b = run.probes[blocked];
  std::printf("blocked after the start: %.0f ms (probe sent at +%.0f ms, answered at +%.0f ms)\n\n", 1e3 * b.delay(),
              1e3 * b.sent, 1e3 * b.answered);
  std::printf("%-34s %7s %9s %9s %9s %9s\n", "probes", "count", "median ms", "p99 ms", "max ms", "> 300 ms");
  print_delays("idle, before Start", idle);
  print_delays("the run after the blocking start", after);
  std::printf("\ngoal (none above 300 ms after the start): %s\n", worst <= kGoalSeconds ? "met" : "missed");

  test::post_command(window, IDC_CLOSE);
  program.wait_exit();
  return 0;
}
