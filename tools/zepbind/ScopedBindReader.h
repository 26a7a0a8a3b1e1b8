// The updater's own package reader opened on a given file for the lifetime of this object, so
// that the packer checks and extracts exactly as the updater would read.
#pragma once

#include "zepBindInfo.h"

#include <string>

class ScopedBindReader {
public:
    explicit ScopedBindReader(const std::string& path) {
        zepBindInfo::DestroyInstance();
        zepBindInfo::SetPackagePath(path.c_str());
        m_pBind = zepBindInfo::Instance();
    }
    ~ScopedBindReader() {
        zepBindInfo::DestroyInstance();
        zepBindInfo::SetPackagePath(nullptr);
    }
    ScopedBindReader(const ScopedBindReader&) = delete;
    ScopedBindReader& operator=(const ScopedBindReader&) = delete;

    zepBindInfo* get() const { return m_pBind; }

private:
    zepBindInfo* m_pBind;
};
