// Framing rules and log description of the records the host sends.
#include "SimRecord.h"

namespace {

constexpr uint32_t kHeaderSize = sizeof(TAG_SSTHEADER);
constexpr uint32_t kSendFileHeadData = sizeof(TAG_CMDSENDFILE) - kHeaderSize;

// Whether DataLength fits the command's layout; a SendFile needs at least its head.
bool FixedDataLengthOk(uint16_t code, uint32_t dataLength) {
    switch (code) {
    case ZEP_CMD_GETFILE:
        return dataLength == sizeof(TAG_CMDGETFILE) - kHeaderSize;
    case ZEP_CMD_ENTERDOWNLOAD:
        return dataLength == sizeof(TAG_CMDENTERDOWNLOAD) - kHeaderSize;
    case ZEP_CMD_EXITDOWNLOAD:
        return dataLength == sizeof(TAG_CMDEXITDOWNLOAD) - kHeaderSize;
    case ZEP_CMD_QUERYUPDATESTATUS:
        return dataLength == sizeof(TAG_CMDQUERYUPDATESTATUS) - kHeaderSize ||
               dataLength == sizeof(TAG_CMDQUERYUPDATESTATUS_SP) - kHeaderSize;
    case ZEP_CMD_SENDFILE:
        return dataLength >= kSendFileHeadData;
    default:
        return false;
    }
}

} // namespace

const char* RecordName(uint16_t code, uint32_t dataLength) {
    switch (code) {
    case ZEP_CMD_GETFILE:
        return "GetFile";
    case ZEP_CMD_SENDFILE:
        return "SendFile";
    case ZEP_CMD_ENTERDOWNLOAD:
        return "EnterDownload";
    case ZEP_CMD_EXITDOWNLOAD:
        return "ExitDownload";
    case ZEP_CMD_QUERYUPDATESTATUS:
        return dataLength == sizeof(TAG_CMDQUERYUPDATESTATUS_SP) - kHeaderSize
                   ? "QueryUpdateStatus_SP"
                   : "QueryUpdateStatus";
    default:
        return nullptr;
    }
}

bool CheckRecordHeader(const TAG_SSTHEADER& header, uint32_t maxDataLength, std::string* why) {
    const uint16_t code = header.CommandCode.get();
    const uint32_t dataLength = header.DataLength.get();
    std::string problem;
    if (RecordName(code, dataLength) == nullptr)
        problem = "unknown command code " + std::to_string(code);
    else if (dataLength > maxDataLength)
        problem = "DataLength " + std::to_string(dataLength) + " exceeds the limit of " +
                  std::to_string(maxDataLength);
    else if (!FixedDataLengthOk(code, dataLength))
        problem = std::string("DataLength ") + std::to_string(dataLength) + " is wrong for " +
                  RecordName(code, dataLength);
    if (!problem.empty() && why != nullptr)
        *why = problem;
    return problem.empty();
}

bool CheckRecordBody(const SimRecord& record, std::string* why) {
    if (record.Code() != ZEP_CMD_SENDFILE)
        return true;
    const uint32_t dataLength = record.Header().DataLength.get();
    const uint32_t n = record.As<TAG_CMDSENDFILE>().LengthOfSendData.get();
    if (uint64_t(n) + kSendFileHeadData == dataLength)
        return true;
    if (why != nullptr)
        *why = "SendFile LengthOfSendData " + std::to_string(n) + " does not match DataLength " +
               std::to_string(dataLength);
    return false;
}

std::string WireFileName(const char (&field)[ZEP_WIRE_FILENAME_SIZE]) {
    size_t length = 0;
    while (length < ZEP_WIRE_FILENAME_SIZE && field[length] != '\0')
        ++length;
    return std::string(field, length);
}

JsonLine DescribeRecord(const SimRecord& record) {
    const TAG_SSTHEADER header = record.Header();
    JsonLine line;
    line.Add("cmd", RecordName(header.CommandCode.get(), header.DataLength.get()))
        .Add("code", header.CommandCode.get())
        .Add("len", record.Size());
    switch (record.Code()) {
    case ZEP_CMD_GETFILE:
        line.Add("file", WireFileName(record.As<TAG_CMDGETFILE>().FileName));
        break;
    case ZEP_CMD_ENTERDOWNLOAD:
        line.Add("force", record.As<TAG_CMDENTERDOWNLOAD>().Force.get());
        break;
    case ZEP_CMD_QUERYUPDATESTATUS:
        if (!record.IsShortQuery())
            line.Add("file", WireFileName(record.As<TAG_CMDQUERYUPDATESTATUS>().FileName));
        break;
    case ZEP_CMD_SENDFILE: {
        const TAG_CMDSENDFILE head = record.As<TAG_CMDSENDFILE>();
        line.Add("file", WireFileName(head.FileName))
            .Add("end", head.EndNotice.get())
            .Add("offset", head.TransmittedSize.get())
            .Add("total", head.TotalTransmitSize.get())
            .Add("n", head.LengthOfSendData.get())
            .Add("sum", head.CheckSum.get());
        break;
    }
    default:
        break;
    }
    return line;
}
