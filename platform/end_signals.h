// Signals that ask the program to end. SDL turns SIGTERM and SIGINT into a quit event, which the
// window service posts as a close, so the game ends through its normal shut-down (log finished,
// instance lock freed). SIGHUP (the terminal went away) and SIGQUIT would otherwise end the
// process on the spot; they are taken the same way here.
#pragma once

namespace platform {

// Catches SIGHUP and SIGQUIT from now on, except one the process was started with ignored (as
// nohup starts it). Repeated calls are harmless.
void CatchEndSignals();

// True once for each arrival of a caught signal since the last call.
bool TakeEndSignal();

}  // namespace platform
