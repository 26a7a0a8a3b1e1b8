// Soundness check of a package before release: structure, names, and that every image named
// by ZEPINFO.txt can be read by the updater.
#pragma once

#include "zepPackageSign.h"

#include <string>
#include <vector>

// True when the package is sound; otherwise problems holds one line per fault found.
bool VerifyBindPackage(const std::string& path, std::vector<std::string>& problems);

// Reads the package of path once for its digest and signature; false with a reason when it
// cannot be read.
bool InspectBindPackage(const std::string& path, ZepPackageFacts& facts, std::string& error);
