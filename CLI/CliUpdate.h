// One update driven the way the Windows progress page drives it: start the worker, copy its
// record on a timer, show the page's status and bar, stop the worker at the end or on a
// failure, and report the result message. A stop request (Ctrl-C) is passed to the worker,
// which honours it at its next safe point; a running transfer is always completed, and a
// device's write is awaited unless a second request gives that wait up.
#pragma once

#include "CliDisplay.h"
#include "zepParse.h"
#include "zepThread.h"

#include <functional>
#include <string>

struct UpdateRequest {
    const char* pszPrinterName = nullptr; // null when the device was given by address
    const char* pszPortName = nullptr;    // port name or IPv4 address
    unsigned short wPortNo = 0;
    unsigned int firmwareCount = 1; // rows of the firmware list
    yesno_type needExit = DEF_NO_VALUE;
    unsigned long dwTickMs = 1000;         // how often the record is copied, like the front-ends
    unsigned long dwWorkerPollingMs = 500; // the worker's polling interval, as the front-ends set
    // Number of stop requests so far (Ctrl-C presses); looked at several times per tick.
    std::function<unsigned int()> stopRequests;
    // Requests counted up to this number came before the run (a fleet's start); without it,
    // those made before this update began do not count.
    bool bHasStopBaseline = false;
    unsigned int nStopBaseline = 0;
};

struct UpdateOutcome {
    ZEPRESULT nResult = RESULT_OK; // page result: 1, -11 or the failure
    uint32_t dwUpdatedFirmNum = 0;
    uint32_t dwUnconfirmedFirmNum = 0; // accepted by the device, its writing never confirmed
    bool bStopped = false;             // ended by a stop request before the update was complete
    bool bImagesBegun = false; // the worker reached its first image: firmware may have been sent
    int nExitCode = 0;         // 0 updated or nothing to update, 1 otherwise
    std::string strCaption;    // "Information" or "Warning"
    std::string strMessage;
};

// Runs the update on worker (a fresh zepThread) and reports its progress to sink.
UpdateOutcome RunUpdate(zepThread& worker, const UpdateRequest& request, UpdateSink& sink);

// What the run ended with, as the closing report tells it.
UpdateOutcome MakeOutcome(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                          yesno_type needExit, uint32_t dwUnconfirmedFirmNum = 0);
