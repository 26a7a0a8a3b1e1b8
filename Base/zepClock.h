// The engine's time source. Fixed pauses go through ZepSleep and the framing's millisecond clock
// through ZepTickCount, both replaceable so that tests, benchmarks and fuzzing run on their own
// time instead of the wall's.
#pragma once

typedef void (*ZepSleepFn)(unsigned long dwMilliseconds);
typedef unsigned long (*ZepTickFn)();

void ZepSleep(unsigned long dwMilliseconds);

// The fixed pause between the phases of an update (before download mode, before each version
// check, before each transfer, after each image), through ZepSleep.
void ZepPhasePause();

// Replace the sleep (null restores the real one). Returns the previous hook.
ZepSleepFn ZepSetSleepHook(ZepSleepFn fn);

// Monotonic milliseconds, wrapping at 2^32 like GetTickCount.
unsigned long ZepTickCount();

// Milliseconds since dwStart, a ZepTickCount value, right across the clock's wrap.
unsigned long ZepElapsedMs(unsigned long dwStart);

// Replace the tick clock (null restores the real one). Returns the previous hook.
ZepTickFn ZepSetTickHook(ZepTickFn fn);
