// The trailer search shared by the updater's package reader and the packer.
#include "zepBindTrailer.h"

#include "zepPeImage.h"

#include <climits>
#include <string>

namespace {

// Authenticode starts the certificate table on an 8-byte boundary.
const unsigned long long CERT_ALIGNMENT = 8;

bool TrailerEndsAt(std::FILE* fp, unsigned long long end, tagBindManagementInfo& trailer) {
    return end >= sizeof trailer && end - sizeof trailer <= LONG_MAX &&
           std::fseek(fp, static_cast<long>(end - sizeof trailer), SEEK_SET) == 0 &&
           std::fread(&trailer, sizeof trailer, 1, fp) == 1 && ZepBindHasMagic(trailer);
}

} // namespace

bool ZepBindFindTrailer(std::FILE* fp, unsigned long long fileSize, tagBindManagementInfo& trailer,
                        unsigned long long& packageEnd) {
    if (TrailerEndsAt(fp, fileSize, trailer)) {
        packageEnd = fileSize;
        return true;
    }
    ZepPeCertTable table;
    std::string strError;
    if (ZepPeReadSignature(fp, fileSize, table, strError) != ZEP_PE_SIGNED ||
        table.offset + table.size != fileSize)
        return false;
    // Only zero bytes may lie between the trailer and the table; the magic ends in one, so at
    // most one end can match.
    unsigned char tail[sizeof trailer + CERT_ALIGNMENT - 1];
    const unsigned long long tailSize = table.offset < sizeof tail ? table.offset : sizeof tail;
    const unsigned long long tailAt = table.offset - tailSize;
    if (tailAt > LONG_MAX || std::fseek(fp, static_cast<long>(tailAt), SEEK_SET) != 0 ||
        std::fread(tail, 1, tailSize, fp) != tailSize)
        return false;
    for (unsigned long long pad = 0; pad < CERT_ALIGNMENT && pad < tailSize; ++pad) {
        if (pad > 0 && tail[tailSize - pad] != 0)
            break;
        if (TrailerEndsAt(fp, table.offset - pad, trailer)) {
            packageEnd = table.offset - pad;
            return true;
        }
    }
    return false;
}
