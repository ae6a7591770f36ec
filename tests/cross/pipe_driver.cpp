// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a Windows engine on anonymous pipes made by CreateProcess, as GUIs do, and relays this
// program's standard input to it and its output back: under Wine the engine cannot peek a pipe
// made on the Linux side, so run.sh's session reaches it through this program. The exit status is
// the engine's.  Usage: zeltro_pipe_driver ENGINE [ARG...]
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

static HANDLE to_engine;

// The input as it comes, in pieces; at its end the engine's input ends too.
static DWORD WINAPI relay_input(void*) {
  char buf[4096];
  DWORD n, done;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &n, nullptr) && n > 0)
    if (!WriteFile(to_engine, buf, n, &done, nullptr)) break;
  CloseHandle(to_engine);
  return 0;
}

int main(int argc, char** argv) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE child_in, child_out, from_engine;
  if (argc < 2 || !CreatePipe(&child_in, &to_engine, &inherit, 0) ||
      !CreatePipe(&from_engine, &child_out, &inherit, 0))
    return 2;
  // Were the engine to hold our ends too, closing them would not end its input or our reading.
  SetHandleInformation(to_engine, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_engine, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = child_in;
  si.hStdOutput = si.hStdError = child_out;
  PROCESS_INFORMATION pi;
  std::string line = argv[1];
  for (int i = 2; i < argc; i++) line = line + " " + argv[i];
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return 2;
  CloseHandle(child_in);
  CloseHandle(child_out);
  CreateThread(nullptr, 0, relay_input, nullptr, 0, nullptr);
  char buf[4096];
  DWORD n, done, status = 1;
  while (ReadFile(from_engine, buf, sizeof buf, &n, nullptr) && n > 0)
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buf, n, &done, nullptr);
  WaitForSingleObject(pi.hProcess, INFINITE);
  GetExitCodeProcess(pi.hProcess, &status);
  return (int)status;
}
