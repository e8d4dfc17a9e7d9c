#pragma once
// PumpWait: waits for a time while dispatching the calling thread's messages, so the windows
// that thread owns stay responsive. Starts no threads.
namespace brisklet::pool {

// Waits amount units (see MillisecondsPerUnit in one_shot_timer.h). An amount of 0 or less is
// a wait that in effect never ends (18000000 × 18000000 ms).
void PumpWait(double amount, int unit = 0);

}  // namespace brisklet::pool
