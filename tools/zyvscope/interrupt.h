// Ctrl-C and termination requests: noted by a handler, acted upon by the
// program between library calls, so that it stops the acquisition and
// closes the library before it ends.
#pragma once

namespace zyvscope {

// Installs the handlers (SIGINT and SIGTERM; the console's Ctrl-C and
// Ctrl-Break on Windows). A second request ends the program at once.
void catchInterrupts();

// The signal number of a request received so far, else 0.
int interruptRequested();

// Thrown at the next check after a request.
struct Interrupted {
  int signal;
};

// Throws Interrupted when a request came.
void checkInterrupt();

// The exit status for an ending by `signal`: 128 + signal (130, 143).
int interruptExitStatus(int signal);

}  // namespace zyvscope
