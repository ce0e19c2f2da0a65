#include "interrupt.h"

#include <csignal>

#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>
#endif

namespace zyvscope {
namespace {

volatile std::sig_atomic_t g_request = 0;

#if defined(_WIN32)
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_request) return FALSE;  // the second request: the system ends the program
  g_request = SIGINT;
  return TRUE;
}
#else
void onSignal(int signal) { g_request = signal; }
#endif

}  // namespace

void catchInterrupts() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // The handler falls back to the default after one request, so that a
  // second Ctrl-C ends a program that does not get to its next check.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

int interruptRequested() { return int(g_request); }

void checkInterrupt() {
  if (g_request) throw Interrupted{int(g_request)};
}

int interruptExitStatus(int signal) { return 128 + signal; }

}  // namespace zyvscope
