// The English texts of the ids the shared rules choose (zepTextIds.h, and the progress page's
// text before its first tick), for a program without a string table of its own.
#pragma once

// The text of an id; empty for an id the shared rules never choose.
const char* EnglishText(int nId);
