// The dry run over one session. A failed fetch of TargetInfo.txt inside the version check
// means the device was lost, not that an image is refused.
#include "CliCheck.h"

#include "CliJson.h"
#include "CliTexts.h"
#include "zepProtocol.h"
#include "zepSession.h"

#include <algorithm>

namespace {

const char* const kSend = "send";
const char* const kSkip = "skip";
const char* const kNoUpdate = "no update needed";
const char* const kRefuse = "refuse";

// Codes the version check gives about the image itself; any other is the host's failure.
bool IsImageVerdict(bool bPass, ZEPRESULT nResult) {
    return bPass || nResult == RESULT_OK || nResult == RESULT_NO_UPDATE ||
           nResult == RESULT_ERR_COMPATIBLE || nResult == RESULT_ERR_MODEL ||
           nResult == RESULT_ERR_DEVICE;
}

std::string ResultText(ZEPRESULT nResult) {
    std::string text = EnglishText(ResultMessageFor(nResult, DEF_NO_VALUE).nTextId);
    return text.empty() ? "The check ended with result " + std::to_string(nResult) + "." : text;
}

} // namespace

const char* VerdictName(bool bPass, ZEPRESULT nResult) {
    if (nResult == RESULT_OK)
        return bPass ? kSend : kSkip;
    return nResult == RESULT_NO_UPDATE ? kNoUpdate : kRefuse;
}

CheckReport CheckDevice(const FleetTarget& target, unsigned short wPortNo) {
    CheckReport report;
    std::string strPrinter = target.strPrinter, strPort = target.strName; // the session's buffers
    try {
        zepProtocol protocol;
        zepSession session(protocol);
        ZEPRESULT code = session.Enter(target.bHasPrinter ? &strPrinter[0] : nullptr,
                                       &strPort[0], wPortNo);
        if (code != RESULT_OK) {
            report.nResult = code;
            return report;
        }
        code = session.ReadDevice();
        if (code == RESULT_OK)
            protocol.TargetInfo().getTgmName(report.strModel);
        zepImageRow row;
        for (unsigned int index = 0; code == RESULT_OK && zepSession::ImageAt(index, row);
             ++index) {
            int nResult = RESULT_ERR_SYSTEM;
            // Judged against the one fetch above: a fetch that fails is no verdict on an image,
            // and the device could not be read.
            const bool bPass = protocol.CheckFetchedVersion(
                session.PackageModel(), row.strType.c_str(), row.strVersion.c_str(),
                row.strCompatible.c_str(), nResult);
            if (!IsImageVerdict(bPass, nResult)) {
                code = nResult;
                break;
            }
            ImageVerdict image;
            image.strType = row.strType;
            image.strFile = row.strFile;
            image.strPackageVersion = row.strVersion;
            image.nResult = bPass ? RESULT_OK : nResult;
            image.pszVerdict = VerdictName(bPass, nResult);
            image.strDeviceVersion = session.DeviceVersion(row.strType);
            report.images.push_back(image);
        }
        session.Leave();
        report.bRead = code == RESULT_OK;
        report.nResult = code;
    } catch (...) {
        report.bRead = false;
        report.nResult = RESULT_ERR_SYSTEM;
    }
    if (!report.bRead)
        report.images.clear();
    return report;
}

std::string CheckSummaryMessage(const CheckReport& report) {
    if (!report.bRead)
        return "Could not be read: " + OneLine(ResultText(report.nResult));
    std::string text;
    for (const char* verdict : {kSend, kSkip, kNoUpdate, kRefuse}) {
        const auto n =
            std::count_if(report.images.begin(), report.images.end(),
                          [&](const ImageVerdict& i) { return i.pszVerdict == verdict; });
        if (n != 0)
            text += (text.empty() ? "" : ", ") + std::to_string(n) + ' ' + verdict;
    }
    return text.empty() ? "The package holds no image." : text + '.';
}

std::string CheckReportText(const std::string& strDeviceName, const CheckReport& reportIn) {
    const std::string strDevice = Visible(strDeviceName);
    if (!reportIn.bRead)
        return strDevice + ": " + CheckSummaryMessage(reportIn);
    CheckReport report = reportIn; // the texts of the device and the package, shown safely
    for (ImageVerdict& i : report.images) {
        for (std::string* text :
             {&i.strType, &i.strFile, &i.strDeviceVersion, &i.strPackageVersion})
            *text = Visible(*text);
    }
    size_t typeWidth = 4, fileWidth = 4, deviceWidth = 4, packageWidth = 4;
    for (const ImageVerdict& i : report.images) {
        typeWidth = std::max(typeWidth, i.strType.size());
        fileWidth = std::max(fileWidth, i.strFile.size());
        deviceWidth = std::max(deviceWidth, i.strDeviceVersion.size());
        packageWidth = std::max(packageWidth, i.strPackageVersion.size());
    }
    auto pad = [](const std::string& s, size_t width) {
        return s + std::string(width - s.size() + 2, ' ');
    };
    std::string text = strDevice + ":";
    for (const ImageVerdict& i : report.images) {
        text += "\n  " + pad(i.strType, typeWidth) + pad(i.strFile, fileWidth) + "device " +
                pad(i.strDeviceVersion.empty() ? "none" : i.strDeviceVersion, deviceWidth) +
                "package " + pad(i.strPackageVersion, packageWidth) + i.pszVerdict;
        if (i.pszVerdict == kRefuse)
            text += " (" + OneLine(ResultText(i.nResult)) + ")";
    }
    return text;
}

std::string CheckReportJson(const std::string& strDevice, const CheckReport& report,
                            const std::string& strPackage) {
    std::string images;
    for (const ImageVerdict& i : report.images) {
        images += images.empty() ? "" : ",";
        images += "{\"type\":" + JsonString(i.strType) + ",\"file\":" + JsonString(i.strFile) +
                  ",\"device_version\":" + JsonString(i.strDeviceVersion) +
                  ",\"package_version\":" + JsonString(i.strPackageVersion) +
                  ",\"verdict\":" + JsonString(i.pszVerdict) +
                  ",\"result\":" + std::to_string(i.nResult) + "}";
    }
    return "{\"device\":" + JsonString(strDevice) +
           ",\"final\":true,\"check\":true,\"read\":" + (report.bRead ? "true" : "false") +
           ",\"model\":" + JsonString(report.strModel) +
           ",\"result\":" + std::to_string(report.nResult) + ",\"images\":[" + images +
           "],\"message\":" + JsonString(CheckSummaryMessage(report)) +
           (strPackage.empty() ? "" : "," + strPackage) + "}";
}
