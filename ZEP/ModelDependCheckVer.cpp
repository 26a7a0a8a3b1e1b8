// Extension point for model-specific version rules. No model has rules of its own, so the
// general rules of CheckFirmVer decide for every device.
#include "zepProtocol.h"

bool zepProtocol::CheckFirmVerForModel(const char* pszUpdateVer, const char* pszTargetVer,
                                       int& rResult, modelchk_result& rChkState) {
    rChkState = NORMALEND_STATE;
    if (pszUpdateVer == nullptr || pszTargetVer == nullptr) {
        rResult = RESULT_ERR_PARAM;
        rChkState = ERROR_STATE;
    }
    return false;
}
