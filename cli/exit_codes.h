#pragma once
// The tool's exit codes, a contract with its callers.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;
// Stopped by a signal other than SIGINT: 128 + its number, as a shell
// reports a program the signal ended.
inline constexpr int kExitHangUp = 129;      // SIGHUP: the terminal closed
inline constexpr int kExitTerminated = 143;  // SIGTERM: kill, timeout, a batch scheduler
