// Accounting of the device's answers to SendFile packets. Answers carry no packet number, only
// their order, and a device may answer every intermediate block or none of them, at any pace.
// The ledger counts the blocks whose answers are still owed and learns, once per session,
// whether this device answers blocks at all, so that the answer taken for an image's final
// packet is never an earlier block's. The session learns it before a final packet goes out:
// read after it, a single answer would fit both habits (the oldest block's answer, or the
// verdict), and a device that never answers a final packet would pass on a block's answer.
// One ledger serves every transport.
#pragma once

#include <cstdint>

class zepAnswerLedger {
public:
    enum class Blocks {
        Unknown,    // no block answered yet, and no image has told
        Answered,   // the device answers every block
        Unanswered, // the device answers only final packets
    };

    // Answers owed beyond which, in a device that answers blocks, the oldest is awaited before
    // the next block goes out: a refusal is then judged within a few blocks, and the device's
    // answers never pile up unread.
    static constexpr uint32_t kWindow = 32;

    void BeginImage() { m_nOwed = 0; }

    // A block went out; its answer, if the device gives one, is owed from now on.
    void BlockSent() { ++m_nOwed; }

    // An answer to a block was read (with a block, or collected alone). Returns false when it
    // cannot be one: nothing is owed, or the device was found to answer no block.
    bool BlockAnswerRead();

    // Whether the next block must wait for the oldest answer first.
    bool MustCollectBeforeNextBlock() const {
        return m_eBlocks == Blocks::Answered && m_nOwed >= kWindow;
    }
    // Whether, in a session that does not yet know, it is time for a brief look for answers.
    bool ShouldProbe() const {
        return m_eBlocks == Blocks::Unknown && m_nOwed != 0 && m_nOwed % kWindow == 0;
    }

    // Whether a fence must settle the device's habit before the next final packet: blocks are
    // owed and none of their answers has been read yet.
    bool NeedsFence() const { return m_eBlocks == Blocks::Unknown && m_nOwed != 0; }

    // Answers still to read after the one read with the final packet; the last one read is the
    // verdict. Only meaningful once NeedsFence() is false.
    uint32_t OwedAfterFinalAnswer() const { return m_eBlocks == Blocks::Answered ? m_nOwed : 0; }

    // A fence's answer followed n SendFile answers: returns false when n fits neither kind of
    // device (some blocks answered, others not).
    bool Resolve(uint32_t nMoreAnswers);

    // Every answer of the image has been read.
    void ImageSettled() { m_nOwed = 0; }

    uint32_t Owed() const { return m_nOwed; }
    Blocks BlockAnswers() const { return m_eBlocks; }

private:
    Blocks m_eBlocks = Blocks::Unknown;
    uint32_t m_nOwed = 0;
};
