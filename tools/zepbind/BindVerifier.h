// Soundness check of a package before release: structure, names, and that every image named
// by ZEPINFO.txt can be read by the updater.
#pragma once

#include <string>
#include <vector>

// True when the package is sound; otherwise problems holds one line per fault found.
bool VerifyBindPackage(const std::string& path, std::vector<std::string>& problems);
