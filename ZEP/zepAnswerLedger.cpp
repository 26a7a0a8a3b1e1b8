// Accounting of the device's answers to SendFile packets.
#include "zepAnswerLedger.h"

bool zepAnswerLedger::BlockAnswerRead() {
    if (m_nOwed == 0 || m_eBlocks == Blocks::Unanswered)
        return false;
    m_eBlocks = Blocks::Answered;
    --m_nOwed;
    return true;
}

bool zepAnswerLedger::Resolve(uint32_t nMoreAnswers) {
    if (nMoreAnswers == 0) {
        m_eBlocks = Blocks::Unanswered;
    } else if (nMoreAnswers == m_nOwed) {
        m_eBlocks = Blocks::Answered;
    } else {
        return false;
    }
    m_nOwed = 0;
    return true;
}
