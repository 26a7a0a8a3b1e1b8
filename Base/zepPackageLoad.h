// The one loader of the bound package for every program and tool: opens it through
// zepBindInfo, reads it whole for its digest and signature when asked, judges the signature
// against the keys the caller trusts, and loads ZEPINFO.txt into g_ZepInfo. Nothing of an
// untrusted package reaches g_ZepInfo.
#pragma once

#include "zepPackageSign.h"

#include <string>
#include <vector>

// Whose packages are accepted.
struct ZepTrust {
    std::vector<std::string> fingerprints; // trusted keys; none: nothing to check against
    bool bRequireSigned = false;           // refuse an unsigned package even without keys
    bool bAllowUnsigned = false;           // accept an unsigned one although keys are given
};

// Reads a PEM public key into the trusted set; false with a reason.
bool ZepTrustAddKeyPem(ZepTrust& trust, const std::string& strPem, std::string& strError);

enum ZepTrustVerdict {
    ZEP_TRUST_SIGNED,           // signed by a trusted key
    ZEP_TRUST_NOT_CHECKED,      // no trusted key to check against (signed or not): not verified
    ZEP_TRUST_UNSIGNED_ALLOWED, // unsigned, accepted only because the caller allows it
    ZEP_TRUST_UNSIGNED,         // refused: unsigned
    ZEP_TRUST_UNKNOWN_KEY,      // refused: signed, but by no trusted key
    ZEP_TRUST_BAD_SIGNATURE,    // refused: a signature that does not hold (always refused)
};

ZepTrustVerdict ZepJudgePackage(const ZepPackageFacts& facts, const ZepTrust& trust);
inline bool ZepTrustAccepts(ZepTrustVerdict v) {
    return v == ZEP_TRUST_SIGNED || v == ZEP_TRUST_NOT_CHECKED || v == ZEP_TRUST_UNSIGNED_ALLOWED;
}
// A short name of the verdict for records ("signed", "not verified", ...).
const char* ZepTrustVerdictName(ZepTrustVerdict v);

enum ZepLoadResult {
    ZEP_LOAD_OK,
    ZEP_LOAD_NO_MEMORY,
    ZEP_LOAD_NO_PACKAGE,  // none found, or fewer than two files
    ZEP_LOAD_REFUSED,     // found where no package may be (inside a program's signature)
    ZEP_LOAD_NO_INFO,     // no ZEPINFO.txt in it
    ZEP_LOAD_UNREADABLE,  // the package or its ZEPINFO.txt cannot be read
    ZEP_LOAD_UNTRUSTED,   // refused by the trust verdict
};

struct ZepPackageLoad {
    ZepLoadResult eResult = ZEP_LOAD_NO_PACKAGE;
    bool bInspected = false; // facts and verdict hold only when the package was read whole
    ZepPackageFacts facts;
    ZepTrustVerdict eTrust = ZEP_TRUST_NOT_CHECKED;
    std::string strProblem; // a sentence for the user when eResult is not ZEP_LOAD_OK
};

// Loads the package the current zepBindInfo instance finds. With pTrust, the package is read
// whole first and loaded only when the verdict accepts it; without, as the wizards always did.
ZepLoadResult ZepLoadPackage(const ZepTrust* pTrust, ZepPackageLoad& load);
