// Where the bound package ends in its file: at the file's end, or in a Windows program signed
// after binding, right before its certificate table, which nothing may follow.
#pragma once

#include "zepBindFormat.h"

#include <cstdio>
#include <string>

enum ZepBindTrailerSearch {
    ZEP_BIND_TRAILER_FOUND,
    ZEP_BIND_TRAILER_ABSENT,  // no trailer where one belongs: the file carries no package
    ZEP_BIND_TRAILER_REFUSED, // the file must not be read at all; strError says why
};

// Finds the trailer of the file open in fp (fileSize bytes). A Windows program whose PE headers
// name a certificate table is read only from the bytes before that table, which must close the
// file: the trailer lies right before it, past at most 7 zero bytes of alignment. The table is
// not covered by the signature, so a trailer at its end is someone else's package and the file
// is refused. Any other file has its trailer in its last 16 bytes. packageEnd is where the
// trailer ends. Moves the stream's position.
ZepBindTrailerSearch ZepBindFindTrailer(std::FILE* fp, unsigned long long fileSize,
                                        tagBindManagementInfo& trailer,
                                        unsigned long long& packageEnd, std::string& strError);
