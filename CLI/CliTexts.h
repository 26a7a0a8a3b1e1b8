// The English texts of the Windows progress page and result message, shared by the console
// updater so that both programs tell the user the same things.
#pragma once

#include "zepProgressRules.h"
#include "zepResultMessage.h"

#include <string>

// English text of a string id of the wizard's table; empty for an id it does not hold.
const char* EnglishText(int nId);

// The status line a progress view shows.
std::string StatusText(const ProgressView& view);

// Caption of a message box: 111 "Warning" or 112 "Information".
const char* CaptionText(bool bWarning);

// A message on one line: the wizard's texts break lines for its message box.
std::string OneLine(const std::string& text);
// Text from a device or a package with its control characters shown as \xNN: a device must not
// reach the administrator's terminal with escape sequences.
std::string Visible(const std::string& text);
