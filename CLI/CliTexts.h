// The console's wording of the shared rules: the wizard's English texts (so that both programs
// tell the user the same things), on one line and safe for a terminal.
#pragma once

#include "zepEnglishTexts.h"
#include "zepProgressRules.h"
#include "zepResultMessage.h"

#include <string>

// The status line a progress view shows.
std::string StatusText(const ProgressView& view);

// Caption of a message box: "Warning" or "Information".
const char* CaptionText(bool bWarning);

// A message on one line: the wizard's texts break lines for its message box.
std::string OneLine(const std::string& text);
// Text from a device or a package with its control characters shown as \xNN: a device must not
// reach the administrator's terminal with escape sequences.
std::string Visible(const std::string& text);
