#pragma once
// How a run ends: the main thread's message loop returns when asked (by the
// publishing thread at the end of the schedule, by the console handler on
// Ctrl+C or a closed console, or by WM_CLOSE through the listener window),
// and the main thread then shuts down in order.
#include <windows.h>

namespace gripline::standin {

// Makes the calling thread's message queue, so a quit request posted before
// the loop runs is not lost.
void prepareMessageQueue();
// Runs the calling thread's message loop until a quit request or WM_QUIT.
void runMessageLoop();
// Asks thread `thread`'s message loop to return; callable from any thread.
void requestQuit(DWORD thread);

// Ctrl+C, Ctrl+Break, console close, logoff and shutdown request a quit of
// `mainThread`. For the last three Windows ends the process when the
// handler returns, so the handler waits (up to 4 s) for shutdownDone().
void installConsoleHandler(DWORD mainThread);
void shutdownDone();

} // namespace gripline::standin
