// The wizard's page sequence, entered by start-up once its gates have passed.
#pragma once

#include <windows.h>

// Shows the pages in turn until the user cancels or the progress page has ended, then the
// message that tells the outcome.
void RunWizard(HINSTANCE hInstance);
