// The reply framing of every transport, side by side: how the transports differ is read here in
// one place, and tests on any platform run the engine over each of them.
#include "DevConnBase.h"

// Field order: write floor, read poll, floor of the reply window, one poll after a block, a
// request required, pause before each payload read, one retry of a failed payload read.

// TCP: a slow network write is still a write; 10 ms polls.
const DevConnFraming kTcpFraming = {5000, 10, 10, true, false, 0, false};
// USB printing class on Windows.
const DevConnFraming kUsbWinFraming = {500, 10, 10, true, false, 0, false};
// USB on macOS: the poll after a block happens only when the transport awaits that block's
// answer at all (a new tenth of the image).
const DevConnFraming kUsbMacFraming = {500, 10, 10, true, false, 0, false};
// Port monitor: its write has no time-out of ours and its reads wait up to 50 ms; nothing is
// read after a block (the engine collects the answers a device owes), 10 ms before each payload
// read and one retry of a failed one.
const DevConnFraming kPortMonitorFraming = {0, 50, 50, false, false, 10, true};
