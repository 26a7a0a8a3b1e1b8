// macOS program: the application bundle that holds a given executable, for locating the
// package file ZEPBINDDATA in the bundle's top folder.
#pragma once

#include <string>

// "/A/X.app/Contents/MacOS/X" and "/A/X.app/X" give "/A/X.app"; an executable outside a bundle
// gives its own folder.
std::string zepBindBundleFolder(const std::string& exePath);

// Path of the running executable, as the system's bundle-location query gives it. The product
// only declares it: the platform's services define it (on this machine the stand-in library).
bool zepRunningExecutable(std::string& path);
