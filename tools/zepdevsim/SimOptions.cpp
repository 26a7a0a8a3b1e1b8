// Consistency checks of the simulator's settings.
#include "SimOptions.h"

#include "zepWire.h"

namespace {
constexpr uint32_t kGetFileHeadData = sizeof(TAG_RESGETFILE) - sizeof(TAG_SSTHEADER);
constexpr uint32_t kSendFileHeadData = sizeof(TAG_CMDSENDFILE) - sizeof(TAG_SSTHEADER);
constexpr uint32_t kLargestRecord = 0x7FFFFFFF; // DataLength is read into memory whole
} // namespace

bool ValidateSimOptions(const SimOptions& options, std::string* error) {
    std::string problem;
    if (options.host.empty())
        problem = "host is empty";
    else if (options.getFilePacketSize == 0 ||
             options.getFilePacketSize > kLargestRecord - kGetFileHeadData)
        problem = "GetFile packet size must be 1 to " +
                  std::to_string(kLargestRecord - kGetFileHeadData) + " bytes";
    else if (options.targetInfo.size() > 0xFFFFFFFFu)
        problem = "TargetInfo.txt is larger than a GetFile answer can announce";
    else if (options.maxRecordSize < kSendFileHeadData || options.maxRecordSize > kLargestRecord)
        problem = "record size limit must be " + std::to_string(kSendFileHeadData) + " to " +
                  std::to_string(kLargestRecord) + " bytes";
    else if (options.acceptPollMs == 0)
        problem = "the accept poll interval must be at least 1 ms";
    else if (options.badLengthAtRecord != 0 && options.badLengthDelta == 0)
        problem = "a wrong DataLength needs a non-zero delta";
    if (!problem.empty() && error != nullptr)
        *error = problem;
    return problem.empty();
}
