// Plain functions the macOS window calls into the system: the operating-system version in the
// form of the Gestalt 'sysv' query (0x1048 for 10.4.8).
#pragma once

// 0 when the query fails.
long getSystemVersion(void);
long get_system_version(void);
// Tests report another version; 0 returns to the system's.
void set_system_version_for_test(long lVersion);

// The system's own answer: zep_etc_mac.cpp on a Mac, the stand-in library elsewhere.
long zepQuerySystemVersion(void);
