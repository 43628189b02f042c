#pragma once

// SIGINT (Ctrl-C, or `timeout -s INT`, which sends it to the process and to
// its group), SIGTERM (timeout's and kill's default) and SIGHUP (a closed
// terminal) ask a command to stop. The command then finishes what it has
// written (a whole row, a closed JSON array, the cancel text), removes what
// it made for itself, and ends by the first of those signals, so that its
// parent (a shell loop, timeout) sees how it ended.

// Catches the three signals from now on. Each is counted and the first is
// kept; `onSignal`, when given, runs inside the handler, so it may only do
// what a signal handler may (store to a lock-free atomic).
void CatchStopSignals(void (*onSignal)() = nullptr);

// The first stop signal caught, or 0.
int StopSignal();

// How many stop signals were caught: a second one asks to end at once.
int StopSignalCount();

// For a command whose work between two writes cannot be stopped (extract
// reads a drawing in one call): from now on a second stop signal ends the
// process at once, from its handler, unless a write is under way (a
// WriteUnderWay lives); that write is finished first, and the command then
// ends by the signal as after the first one.
void EndOnSecondSignal();

class WriteUnderWay {
  public:
    WriteUnderWay();
    ~WriteUnderWay();
    WriteUnderWay(const WriteUnderWay&) = delete;
    WriteUnderWay& operator=(const WriteUnderWay&) = delete;
};

// Ends the process by `number` with the signal's default action, as if it had
// never been caught. Gives 128 + number should the process survive it.
int EndBySignal(int number);
