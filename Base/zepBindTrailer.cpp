// The trailer search shared by the updater's package reader and the packer.
#include "zepBindTrailer.h"

#include "zepPeImage.h"

#include <climits>

namespace {

// Authenticode starts the certificate table on an 8-byte boundary.
const unsigned long long CERT_ALIGNMENT = 8;

bool TrailerEndsAt(std::FILE* fp, unsigned long long end, tagBindManagementInfo& trailer) {
    return end >= sizeof trailer && end - sizeof trailer <= LONG_MAX &&
           std::fseek(fp, static_cast<long>(end - sizeof trailer), SEEK_SET) == 0 &&
           std::fread(&trailer, sizeof trailer, 1, fp) == 1 && ZepBindHasMagic(trailer);
}

ZepBindTrailerSearch Refuse(std::string& strError, const std::string& why) {
    strError = why;
    return ZEP_BIND_TRAILER_REFUSED;
}

// The trailer right before the table, past only zero bytes; the magic ends in one, so at most
// one end can match.
bool TrailerBeforeTable(std::FILE* fp, unsigned long long tableAt, tagBindManagementInfo& trailer,
                        unsigned long long& packageEnd) {
    unsigned char tail[sizeof trailer + CERT_ALIGNMENT - 1];
    const unsigned long long tailSize = tableAt < sizeof tail ? tableAt : sizeof tail;
    const unsigned long long tailAt = tableAt - tailSize;
    if (tailAt > LONG_MAX || std::fseek(fp, static_cast<long>(tailAt), SEEK_SET) != 0 ||
        std::fread(tail, 1, tailSize, fp) != tailSize)
        return false;
    for (unsigned long long pad = 0; pad < CERT_ALIGNMENT && pad < tailSize; ++pad) {
        if (pad > 0 && tail[tailSize - pad] != 0)
            return false;
        if (TrailerEndsAt(fp, tableAt - pad, trailer)) {
            packageEnd = tableAt - pad;
            return true;
        }
    }
    return false;
}

} // namespace

ZepBindTrailerSearch ZepBindFindTrailer(std::FILE* fp, unsigned long long fileSize,
                                        tagBindManagementInfo& trailer,
                                        unsigned long long& packageEnd, std::string& strError) {
    strError.clear();
    ZepPeCertTable table;
    std::string why;
    switch (ZepPeReadSignature(fp, fileSize, table, why)) {
    case ZEP_PE_NOT_A_PROGRAM:
    case ZEP_PE_NO_PE_HEADER: // no program Windows would run or vouch for: a plain file
    case ZEP_PE_UNSIGNED:
        if (!TrailerEndsAt(fp, fileSize, trailer))
            return ZEP_BIND_TRAILER_ABSENT;
        packageEnd = fileSize;
        return ZEP_BIND_TRAILER_FOUND;
    case ZEP_PE_MALFORMED:
        return Refuse(strError, "the program's headers are damaged: " + why);
    case ZEP_PE_SIGNED:
        break;
    }
    if (table.offset + table.size != fileSize)
        return Refuse(strError, "bytes follow the signature's certificate table");
    // Whatever package lies before the table, one grafted into it marks the file as tampered.
    tagBindManagementInfo inside;
    if (table.size >= sizeof inside && TrailerEndsAt(fp, fileSize, inside))
        return Refuse(strError, "package found inside the signature");
    if (TrailerBeforeTable(fp, table.offset, trailer, packageEnd))
        return ZEP_BIND_TRAILER_FOUND;
    return ZEP_BIND_TRAILER_ABSENT;
}
