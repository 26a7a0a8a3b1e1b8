// The retry table: codes that can only arise before firmware is sent, and the connection
// failures before the image loop. Anything later may have left the device half-written.
#include "CliRetry.h"

namespace {

struct RetryRule {
    ZEPRESULT nResult;
    bool bOnlyBeforeImages; // false: the code is only ever raised before any image
};

const RetryRule kRetried[] = {
    {RESULT_ERR_BUSY, false},   // download mode refused: busy or another user updating
    {RESULT_ERR_FAX, false},    // download mode refused: a fax is being sent
    {RESULT_ERR_CONNECT, true}, // nobody listening, or the connection lost before any image
};

const unsigned long kFirstBackoffMs = 2000;
const unsigned long kLongestBackoffMs = 60000;

} // namespace

bool IsRetryable(ZEPRESULT nResult, bool bImagesBegun) {
    for (const RetryRule& rule : kRetried)
        if (rule.nResult == nResult)
            return !rule.bOnlyBeforeImages || !bImagesBegun;
    return false;
}

unsigned long BackoffMs(unsigned int nNext, std::minstd_rand& random) {
    unsigned long wait = kFirstBackoffMs;
    for (unsigned int i = 2; i < nNext && wait < kLongestBackoffMs; ++i)
        wait *= 2;
    if (wait > kLongestBackoffMs)
        wait = kLongestBackoffMs;
    return wait - static_cast<unsigned long>(random() % (wait / 2 + 1));
}
