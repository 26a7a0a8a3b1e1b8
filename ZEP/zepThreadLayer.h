// Bookkeeping shared by the platform files of the thread and event layer.
#pragma once

#include "zepMac.h"

namespace zepmac {
namespace layer {

BeginThreadHook ActiveBeginThreadHook(); // null unless a test replaced thread creation
void NoteEventCreated();
void NoteEventClosed();

} // namespace layer
} // namespace zepmac
