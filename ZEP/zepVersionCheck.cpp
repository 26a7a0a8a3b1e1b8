// Decides per image whether the device may and should receive it: model, firmware type, and the
// package's version against the device's under the downgrade policy and the compatible minimum.
#include "zepProtocol.h"

#include "zepInfo.h"
#include "zepUtil.h"
#include "zepVersionRules.h"

#include <cstring>
#include <string>

namespace {

// Version layouts, chosen by the position of the first "." in the package's version.
enum class VersionForm { A, B, C, D, E, Malformed };

VersionForm FormOf(const std::string& ver) {
    switch (ver.find('.')) {
    case std::string::npos:
        return VersionForm::A;
    case 2:
        return VersionForm::B;
    case 6:
        return VersionForm::C;
    case 8:
        return VersionForm::D;
    case 12:
        return VersionForm::E;
    default:
        return VersionForm::Malformed;
    }
}

// Text [from, to) of a version, cut short by its end; missing when the version ends before
// the part begins. A part that begins exactly at the end is empty and reads as 0.
struct Part {
    bool present;
    std::string text;
};

Part Cut(const std::string& ver, size_t from, size_t to) {
    if (from > ver.size())
        return {false, std::string()};
    return {true, ver.substr(from, to - from)};
}

// Decimal digit strings compared by value, however long they are.
int CompareNumbers(const std::string& a, const std::string& b) {
    size_t i = a.find_first_not_of('0');
    size_t j = b.find_first_not_of('0');
    std::string x = i == std::string::npos ? std::string() : a.substr(i);
    std::string y = j == std::string::npos ? std::string() : b.substr(j);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The compatible minimum from position 4 on, read like atoi: leading digits, 0 without any.
std::string LeadingDigits(const std::string& s, size_t from) {
    if (from >= s.size())
        return std::string();
    size_t end = s.find_first_not_of("0123456789", from);
    return s.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

// The numbers a form compares: one (A, E) or major and minor (B, C, D).
struct Numbers {
    Part first;
    Part second;
    bool twoParts;
};

bool CutNumbers(VersionForm form, const std::string& ver, size_t dotD, Numbers& out) {
    switch (form) {
    case VersionForm::A:
        out = {Cut(ver, 4, std::string::npos), {true, ""}, false};
        break;
    case VersionForm::E:
        out = {Cut(ver, 4, 12), {true, ""}, false};
        break;
    case VersionForm::B:
        out = {Cut(ver, 0, 2), Cut(ver, 3, 5), true};
        break;
    case VersionForm::C:
        out = {Cut(ver, 4, 6), Cut(ver, 7, 9), true};
        break;
    case VersionForm::D:
        out = {Cut(ver, dotD - 2, dotD), Cut(ver, dotD + 1, dotD + 3), true};
        break;
    default:
        return false;
    }
    return out.first.present && out.second.present && IsNumberStr(out.first.text.c_str()) &&
           IsNumberStr(out.second.text.c_str());
}

// Position of the third "." of a form D version, or npos.
size_t ThirdDot(const std::string& ver) {
    size_t pos = std::string::npos;
    for (int n = 0; n < 3; ++n) {
        pos = ver.find('.', pos == std::string::npos ? 0 : pos + 1);
        if (pos == std::string::npos)
            break;
    }
    return pos;
}

} // namespace

bool zepProtocol::CheckVersion(const char* pszModelName, const char* pszFirmType,
                               const char* pszFirmVer, const char* pszCompatible, int& rnResult) {
    rnResult = RESULT_ERR_SYSTEM;
    if (pszModelName == nullptr || pszFirmType == nullptr || pszFirmVer == nullptr) {
        rnResult = RESULT_ERR_PARAM;
        return false;
    }
    rnResult = GetFileData("TargetInfo.txt");
    if (rnResult != RESULT_OK)
        return false;
    return CheckFetchedVersion(pszModelName, pszFirmType, pszFirmVer, pszCompatible, rnResult);
}

bool zepProtocol::CheckFetchedVersion(const char* pszModelName, const char* pszFirmType,
                                      const char* pszFirmVer, const char* pszCompatible,
                                      int& rnResult) {
    rnResult = RESULT_ERR_SYSTEM;
    if (pszModelName == nullptr || pszFirmType == nullptr || pszFirmVer == nullptr) {
        rnResult = RESULT_ERR_PARAM;
        return false;
    }
    std::string strDeviceModel;
    if (!m_TargetInfo.getTgmName(strDeviceModel)) {
        rnResult = RESULT_ERR_SYSTEM;
        return false;
    }
    if (!ZepEqualNoCase(strDeviceModel, std::string(pszModelName))) {
        rnResult = RESULT_ERR_MODEL;
        return false;
    }

    rnResult = RESULT_NO_UPDATE;
    std::string strDeviceVer;
    if (!m_TargetInfo.findTargetInfoVersion(pszFirmType, strDeviceVer))
        return false;

    yesno_type policy = DEF_ERROR_VALUE;
    if (!g_ZepInfo.getAllowVersionDown(policy)) {
        rnResult = RESULT_ERR_SYSTEM;
        return false;
    }
    const char* pszCompat = zepAppliesCompatibleVersion() ? pszCompatible : nullptr;
    bool bHasCompat = pszCompat != nullptr && *pszCompat != '\0';
    bool bCompare = policy == DEF_NO_VALUE || policy == DEF_BOTH_VALUE ||
                    (bHasCompat && policy == DEF_YES_VALUE);
    if (!bCompare) {
        rnResult = RESULT_OK;
        return true;
    }
    if (CheckFirmVer(pszFirmVer, bHasCompat ? pszCompat : "", strDeviceVer.c_str(), rnResult)) {
        rnResult = RESULT_OK;
        return true;
    }
    return false;
}

bool zepProtocol::CheckFirmVer(const char* pszUpdateVer, const char* pszCompatible,
                               const char* pszTargetVer, int& rResult) {
    if (pszUpdateVer == nullptr || pszTargetVer == nullptr)
        return false;
    yesno_type policy = DEF_ERROR_VALUE;
    if (!g_ZepInfo.getAllowVersionDown(policy))
        return false;
    rResult = RESULT_OK;

    modelchk_result chk = NORMALEND_STATE;
    if (CheckFirmVerForModel(pszUpdateVer, pszTargetVer, rResult, chk)) {
        if (chk == NOT_UPDATE_STATE) {
            rResult = RESULT_NO_UPDATE;
            return false;
        }
        return chk == NORMALEND_STATE;
    }

    const std::string update(pszUpdateVer), target(pszTargetVer);
    VersionForm form = FormOf(update);
    if (form == VersionForm::Malformed) {
        rResult = RESULT_ERR_DEVICE;
        return false;
    }
    if (form == VersionForm::A || form == VersionForm::C || form == VersionForm::E) {
        // Another region or language: the image is not for this device.
        if (Cut(update, 0, 2).text != Cut(target, 0, 2).text ||
            Cut(update, 2, 4).text != Cut(target, 2, 4).text)
            return false;
    }

    size_t dotD = 0;
    if (form == VersionForm::D && (dotD = ThirdDot(update)) == std::string::npos) {
        rResult = RESULT_ERR_DEVICE;
        return false;
    }
    Numbers u, t;
    if (!CutNumbers(form, update, dotD, u) || !CutNumbers(form, target, dotD, t)) {
        rResult = RESULT_ERR_DEVICE;
        return false;
    }

    bool bPass = false;
    if (!u.twoParts) {
        int c = CompareNumbers(u.first.text, t.first.text);
        if (policy == DEF_BOTH_VALUE)
            bPass = c >= 0;
        else if (policy == DEF_NO_VALUE)
            bPass = c > 0;
        else
            bPass = policy == DEF_YES_VALUE && form == VersionForm::A;
        if (!bPass && (policy == DEF_BOTH_VALUE || policy == DEF_NO_VALUE))
            rResult = RESULT_NO_UPDATE;
    } else {
        int major = CompareNumbers(u.first.text, t.first.text);
        int minor = CompareNumbers(u.second.text, t.second.text);
        if (major > 0)
            bPass = true;
        else if (policy == DEF_BOTH_VALUE)
            bPass = major == 0 && minor >= 0;
        else if (policy == DEF_NO_VALUE)
            bPass = major == 0 && minor > 0;
        if (!bPass && (policy == DEF_BOTH_VALUE || policy == DEF_NO_VALUE))
            rResult = RESULT_NO_UPDATE;
    }

    // The compatible minimum outranks the version test.
    if (form == VersionForm::A && zepAppliesCompatibleVersion() && pszCompatible != nullptr &&
        *pszCompatible != '\0') {
        if (CompareNumbers(t.first.text, LeadingDigits(pszCompatible, 4)) < 0) {
            rResult = RESULT_ERR_COMPATIBLE;
            return false;
        }
    }
    return bPass;
}
