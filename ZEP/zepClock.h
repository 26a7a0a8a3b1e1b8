// The engine's time source. Fixed pauses go through ZepSleep so that tests and benchmarks can
// replace them; ZepTickCount is the millisecond clock of the reply framing.
#pragma once

typedef void (*ZepSleepFn)(unsigned long dwMilliseconds);

void ZepSleep(unsigned long dwMilliseconds);

// Replace the sleep (null restores the real one). Returns the previous hook.
ZepSleepFn ZepSetSleepHook(ZepSleepFn fn);

// Monotonic milliseconds, wrapping at 2^32 like GetTickCount.
unsigned long ZepTickCount();
