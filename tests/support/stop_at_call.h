// Stopping a writer at any step, as a crash or a power cut would: the calls
// by which a program changes files (open, write, fchmod, fchown, fsync,
// close, rename, unlink, mkstemp) are counted, and the one numbered n ends
// the process with SIGKILL before it is made, so the kernel keeps exactly
// what the calls before it did.
//
// In a test program (link test_stop_at_call), arm it in a child process:
//
//   for (long n = 1;; ++n) {
//     pid_t child = fork();
//     if (child == 0) { testsupport::StopAtCall(n); Writer(); _exit(0); }
//     ... waitpid: killed by SIGKILL, or exited: the writer ran to its end;
//     the file must hold its old or its new content either way ...
//   }
//
// For another program, preload test_stop_at_call_preload with the number in
// the environment variable STOP_AT_CALL (it counts from the program's start).
#ifndef TESTS_SUPPORT_STOP_AT_CALL_H
#define TESTS_SUPPORT_STOP_AT_CALL_H

namespace testsupport {

// From now on, the nth counted call (n >= 1) ends the process; 0 disarms.
void StopAtCall(long n);
// Counted calls since the last StopAtCall.
long CallsCounted();

}  // namespace testsupport

#endif  // TESTS_SUPPORT_STOP_AT_CALL_H
