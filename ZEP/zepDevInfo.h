// The progress record of one update run, written by the worker and copied out whole by the
// front-ends under the worker's lock.
#pragma once

#include "zepTypes.h"

enum update_state : int32_t {
    NORMALMODE_STATE = 0,
    DOWNLOADMODE_STATE = 1,
    CHECKVERSION_STATE = 2,
    TRANSFER_FIRM = 3,
    WRITING_FIRM = 4,
    END_FIRM_UPDATE = 5,
    END_UPDATE = 6,
    UPDATE_ERROR = 7,
};

struct tag_devinfo {
    update_state UpdateState = NORMALMODE_STATE;
    char FileName[ZEP_FILENAME_SIZE] = {};
    uint32_t dwCurrentSize = 0; // bytes sent (transfer) or the device's figure (writing)
    uint32_t dwMaxSize = 0;     // may be 0 in any phase: guard divisions
    ZEPRESULT nResult = RESULT_OK;
    uint32_t dwFirmIdx = 0;        // image being handled, from 1
    uint32_t dwUpdatedFirmNum = 0; // images updated so far
    bool bSupportQureryUpdate = false;
    // A stop request is waiting for the device to finish writing the image before download mode
    // is left.
    bool bStopWaitsForWrite = false;
    // Images whose final packet the device accepted but whose writing it never confirmed: the
    // wait for it was given up by a second stop request, or broke off. Never counted as updated.
    uint32_t dwUnconfirmedFirmNum = 0;
};
