// JSON lines of the console updater: one object per progress change, one final object, and the
// package listing. Each function returns one complete object without a line end.
#pragma once

#include "zepProgressRules.h"
#include "zepDevInfo.h"

#include <string>
#include <utility>
#include <vector>

std::string JsonString(const std::string& text); // quoted and escaped

const char* UpdateStateName(update_state state);

std::string JsonProgress(const tag_devinfo& info, const ProgressView& view);

// nResult: the page result (or the record's result when the run was stopped before its end).
// "unconfirmed" counts images the device accepted without confirming their writing.
std::string JsonFinal(ZEPRESULT nResult, uint32_t dwUpdatedFirmNum, bool bStopped,
                      const std::string& strMessage, uint32_t dwUnconfirmedFirmNum = 0);

std::string JsonListing(const std::string& strModel,
                        const std::vector<std::pair<std::string, std::string>>& firmware);

// The object with "device" as its first member: every object of a run over several devices.
std::string JsonWithDevice(const std::string& strDevice, const std::string& strObject);
