// Which failures of an update are tried again, and how long to wait before each new attempt.
#pragma once

#include "zepTypes.h"

#include <random>

// True for a failure that happened before any firmware was sent and may pass: the device busy
// or held by another host, a fax being sent, nobody listening or the connection lost before
// the image loop began. bImagesBegun: the worker reached its first image.
bool IsRetryable(ZEPRESULT nResult, bool bImagesBegun);

// The wait before attempt number nNext (2 for the first retry): 2 s doubling per attempt, at
// most 60 s, of which a random half is taken off so that a fleet does not retry in step.
unsigned long BackoffMs(unsigned int nNext, std::minstd_rand& random);
