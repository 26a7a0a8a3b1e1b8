// Start-up's questions to Windows: the interface language, the mutex namespace and the gate.
#pragma once

// Sets the thread locale from the system's language, so resources load in that language.
void SetUILanguage();

bool IsGlobalNamespace();

// 0 or 1: supported (9x or NT range met); 2: refused.
int CheckPlatformVersion();
