// Whether a program file carries an Authenticode signature, and where its certificate table
// lies: signing appends the table after everything else, the bound package included.
#pragma once

#include <cstdio>
#include <string>

enum ZepPeSignature {
    ZEP_PE_NOT_A_PROGRAM, // does not start with "MZ"
    ZEP_PE_NO_PE_HEADER,  // starts with "MZ" but has no PE header; strError says why
    ZEP_PE_UNSIGNED,
    ZEP_PE_SIGNED,
    ZEP_PE_MALFORMED, // PE directories or the table outside the file; strError says which
};

struct ZepPeCertTable {
    unsigned long long offset = 0;
    unsigned long long size = 0;
};

// Reads the headers of the file open in fp, fileSize bytes long. ZEP_PE_SIGNED fills table,
// which then lies wholly inside the file. Moves the stream's position.
ZepPeSignature ZepPeReadSignature(std::FILE* fp, unsigned long long fileSize, ZepPeCertTable& table,
                                  std::string& strError);
