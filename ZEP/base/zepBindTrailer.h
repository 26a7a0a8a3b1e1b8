// Where the bound package ends in its file. Usually at the file's end; in a Windows program
// signed after binding, where its certificate table begins.
#pragma once

#include "zepBindFormat.h"

#include <cstdio>

// Finds the trailer of the file open in fp (fileSize bytes): in its last 16 bytes, or else, when
// a certificate table named by the program's PE headers closes the file, just before that
// table, past the zero bytes (at most 7) that align it. False when neither holds the magic.
// packageEnd is where the trailer ends. Moves the stream's position.
bool ZepBindFindTrailer(std::FILE* fp, unsigned long long fileSize, tagBindManagementInfo& trailer,
                        unsigned long long& packageEnd);
