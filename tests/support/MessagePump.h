#pragma once

// Runs the calling thread's queued messages; with `ms` > 0 keeps doing so for about that long.
void PumpMessages(int ms = 0);
