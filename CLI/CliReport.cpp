// The inventory's two forms. A device that could not be read is one row with its reason.
#include "CliReport.h"

#include "CliJson.h"
#include "CliTexts.h"
#include "zepUtil.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && ZepEqualNoCase(text.substr(text.size() - end.size()), end);
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
    // A spreadsheet splits a line at ',' or ';' as its locale has it, and honours quotes only at
    // a cell's start: a cell may begin at the field's start or after any separator inside it.
    const std::string formula = "=+-@\t\r", separators = ",;\t";
    std::string quoted = "\"";
    bool bCellStart = true;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (bCellStart) {
            const size_t first = text.find_first_not_of(" \"", i);
            if (first != std::string::npos && formula.find(text[first]) != std::string::npos)
                quoted += '\'';
        }
        if (i == text.size())
            break;
        quoted += text[i] == '"' ? std::string("\"\"") : std::string(1, text[i]);
        bCellStart = separators.find(text[i]) != std::string::npos;
    }
    return quoted + "\"";
}

std::string InventoryCsv(const std::vector<InventoryRow>& rows) {
    auto line = [](std::initializer_list<std::string> fields) {
        std::string text;
        for (const std::string& field : fields)
            text += (text.empty() ? "" : ",") + CsvField(field);
        return text + "\r\n";
    };
    std::string out =
        line({"device", "model", "image", "file", "installed", "packaged", "verdict", "error"});
    for (const InventoryRow& row : rows) {
        const CheckReport& report = row.second;
        if (!report.bRead || report.images.empty()) {
            out += line({row.first, report.strModel, "", "", "", "", "", Reason(report)});
            continue;
        }
        for (const ImageVerdict& image : report.images)
            out += line({row.first, report.strModel, image.strType, image.strFile,
                         image.strDeviceVersion, image.strPackageVersion, image.pszVerdict, ""});
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
