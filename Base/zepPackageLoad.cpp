// Opening, checking and loading the bound package, one set of rules for every program.
#include "zepPackageLoad.h"

#include "zepBindInfo.h"
#include "zepInfo.h"

#include <algorithm>
#include <new>

bool ZepTrustAddKeyPem(ZepTrust& trust, const std::string& strPem, std::string& strError) {
    ZepBytes der;
    if (!ZepP256PublicKeyFromPem(strPem, der, strError))
        return false;
    trust.fingerprints.push_back(ZepKeyFingerprint(der));
    return true;
}

ZepTrustVerdict ZepJudgePackage(const ZepPackageFacts& facts, const ZepTrust& trust) {
    // A signature that does not hold is a changed package whoever asks.
    if (facts.eSignature == ZEP_SIG_INVALID)
        return ZEP_TRUST_BAD_SIGNATURE;
    const bool bKeys = !trust.fingerprints.empty();
    if (facts.eSignature == ZEP_SIG_UNSIGNED) {
        if (!bKeys && !trust.bRequireSigned)
            return ZEP_TRUST_NOT_CHECKED;
        return trust.bAllowUnsigned ? ZEP_TRUST_UNSIGNED_ALLOWED : ZEP_TRUST_UNSIGNED;
    }
    if (!bKeys)
        return ZEP_TRUST_NOT_CHECKED;
    const bool bKnown = std::find(trust.fingerprints.begin(), trust.fingerprints.end(),
                                  facts.strSigner) != trust.fingerprints.end();
    return bKnown ? ZEP_TRUST_SIGNED : ZEP_TRUST_UNKNOWN_KEY;
}

const char* ZepTrustVerdictName(ZepTrustVerdict v) {
    switch (v) {
    case ZEP_TRUST_SIGNED: return "signed";
    case ZEP_TRUST_NOT_CHECKED: return "not verified";
    case ZEP_TRUST_UNSIGNED_ALLOWED: return "unsigned, allowed";
    case ZEP_TRUST_UNSIGNED: return "unsigned";
    case ZEP_TRUST_UNKNOWN_KEY: return "unknown key";
    case ZEP_TRUST_BAD_SIGNATURE: return "bad signature";
    }
    return "?";
}

namespace {

ZepLoadResult Fail(ZepPackageLoad& load, ZepLoadResult result, const std::string& strProblem) {
    load.eResult = result;
    load.strProblem = strProblem;
    return result;
}

std::string RefusalText(const ZepPackageLoad& load) {
    switch (load.eTrust) {
    case ZEP_TRUST_UNSIGNED:
        return "The firmware package is not signed, and a signed one is required.";
    case ZEP_TRUST_UNKNOWN_KEY:
        return "The firmware package is signed by a key that is not trusted (" +
               load.facts.strSigner + ").";
    default:
        return "The firmware package's signature does not hold: " + load.facts.strProblem + ".";
    }
}

} // namespace

ZepLoadResult ZepLoadPackage(const ZepTrust* pTrust, ZepPackageLoad& load) {
    load = ZepPackageLoad();
    zepBindInfo* pBind = zepBindInfo::Instance();
    if (pBind == nullptr)
        return Fail(load, ZEP_LOAD_NO_MEMORY, "Out of memory while opening the firmware package.");
    if (!pBind->RefusalReason().empty())
        return Fail(load, ZEP_LOAD_REFUSED,
                    "The firmware package is refused: " + pBind->RefusalReason() + ".");
    if (!pBind->IsBindZepFile()) {
        pBind->CloseZepFile();
        return Fail(load, ZEP_LOAD_NO_PACKAGE,
                    "No usable firmware package (a package holds at least one firmware image and "
                    "ZEPINFO.txt).");
    }
    if (pTrust != nullptr) {
        std::string strError;
        try {
            if (!pBind->InspectPackage(load.facts, strError))
                return Fail(load, ZEP_LOAD_UNREADABLE,
                            "The firmware package cannot be read: " + strError + ".");
        } catch (const std::bad_alloc&) {
            return Fail(load, ZEP_LOAD_NO_MEMORY, "Out of memory while reading the firmware package.");
        }
        load.bInspected = true;
        load.eTrust = ZepJudgePackage(load.facts, *pTrust);
        if (!ZepTrustAccepts(load.eTrust)) {
            pBind->CloseZepFile(); // nothing of it is read from now on
            return Fail(load, ZEP_LOAD_UNTRUSTED, RefusalText(load));
        }
    }
    unsigned long dwSize = 0;
    if (!pBind->getBindFileSize(ZEP_BIND_INFO_NAME, dwSize))
        return Fail(load, ZEP_LOAD_NO_INFO, "The firmware package holds no ZEPINFO.txt.");
    std::string text;
    try {
        text.assign(dwSize, '\0');
    } catch (const std::bad_alloc&) {
        return Fail(load, ZEP_LOAD_NO_MEMORY, "Out of memory while reading ZEPINFO.txt.");
    }
    unsigned long dwRead = dwSize;
    if (dwSize != 0 &&
        (!pBind->getBindFileData(ZEP_BIND_INFO_NAME, 0, reinterpret_cast<unsigned char*>(&text[0]),
                                 dwRead) ||
         dwRead != dwSize))
        return Fail(load, ZEP_LOAD_UNREADABLE, "ZEPINFO.txt cannot be read from the firmware package.");
    g_ZepInfo.loadData(&text[0], dwSize, ZEP_INFO_FILETYPE);
    load.eResult = ZEP_LOAD_OK;
    return ZEP_LOAD_OK;
}
