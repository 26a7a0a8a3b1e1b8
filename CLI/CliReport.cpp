// The inventory's two forms. A device that could not be read is one row with its reason.
#include "CliReport.h"

#include "CliJson.h"
#include "CliTexts.h"
#include "zepUtil.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           ZepEqualNoCase(text.substr(text.size() - end.size()), end);
}

std::string Reason(const CheckReport& report) {
    if (report.bRead)
        return std::string();
    // A device the run was stopped before never had a result of its own.
    return report.nResult == RESULT_OK ? "Not read: the run was stopped at your request."
                                       : CheckSummaryMessage(report);
}

} // namespace

bool ReportFormatOf(const std::string& path, ReportFormat& format) {
    if (EndsWithNoCase(path, ".csv"))
        format = ReportFormat::CSV;
    else if (EndsWithNoCase(path, ".json"))
        format = ReportFormat::JSON;
    else
        return false;
    return true;
}

std::string CsvField(const std::string& text) {
    const bool bFormula =
        !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
    std::string value = bFormula ? "'" + text : text;
    if (!bFormula && value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string InventoryCsv(const std::vector<InventoryRow>& rows) {
    std::string out = "device,model,image,file,installed,packaged,verdict,error\r\n";
    for (const InventoryRow& row : rows) {
        const CheckReport& report = row.second;
        const std::string head = CsvField(row.first) + "," + CsvField(report.strModel) + ",";
        if (!report.bRead || report.images.empty()) {
            out += head + ",,,,," + CsvField(Reason(report)) + "\r\n";
            continue;
        }
        for (const ImageVerdict& image : report.images)
            out += head + CsvField(image.strType) + "," + CsvField(image.strFile) + "," +
                   CsvField(image.strDeviceVersion) + "," + CsvField(image.strPackageVersion) +
                   "," + CsvField(image.pszVerdict) + ",\r\n";
    }
    return out;
}

std::string InventoryJson(const std::vector<InventoryRow>& rows) {
    std::string out = "[";
    for (const InventoryRow& row : rows) {
        const CheckReport& report = row.second;
        std::string images;
        for (const ImageVerdict& image : report.images)
            images += (images.empty() ? "" : ",") + std::string("{\"image\":") +
                      JsonString(image.strType) + ",\"file\":" + JsonString(image.strFile) +
                      ",\"installed\":" + JsonString(image.strDeviceVersion) +
                      ",\"packaged\":" + JsonString(image.strPackageVersion) +
                      ",\"verdict\":" + JsonString(image.pszVerdict) + "}";
        out += (out.size() > 1 ? ",\n " : "\n ") + std::string("{\"device\":") +
               JsonString(row.first) + ",\"model\":" + JsonString(report.strModel) +
               ",\"read\":" + (report.bRead ? "true" : "false") +
               ",\"error\":" + (report.bRead ? "null" : JsonString(Reason(report))) +
               ",\"images\":[" + images + "]}";
    }
    return out + "\n]\n";
}
