// Fixture for tests of the package reader: writes package bytes to a scratch file, points the
// singleton at it, and resets the singleton afterwards.
#pragma once

#include "TestFiles.h"
#include "zepBindInfo.h"

#include <gtest/gtest.h>

class BindFixture : public ::testing::Test {
protected:
    void TearDown() override {
        zepBindInfo::DestroyInstance();
        zepBindInfo::SetPackagePath(nullptr);
        zepBindInfo::SetPackageStream(nullptr);
    }

    // A fresh reader on the given file.
    zepBindInfo* OpenFile(const std::string& path) {
        zepBindInfo::DestroyInstance();
        zepBindInfo::SetPackagePath(path.c_str());
        return zepBindInfo::Instance();
    }

    zepBindInfo* OpenBytes(const Bytes& bytes) {
        std::string path = m_dir.Path("package.bin");
        WriteFileBytes(path, bytes);
        return OpenFile(path);
    }

    // The whole named file as read in pieces of the given size.
    static bool ReadAll(zepBindInfo& bind, const char* name, std::string& data,
                        unsigned long piece = 4096) {
        unsigned long size = 0;
        if (!bind.getBindFileSize(name, size))
            return false;
        data.clear();
        std::string buf(piece, '\0');
        for (unsigned long offset = 0; offset < size;) {
            unsigned long n = piece;
            if (!bind.getBindFileData(name, offset, reinterpret_cast<unsigned char*>(&buf[0]), n) ||
                n == 0)
                return false;
            data.append(buf, 0, n);
            offset += n;
        }
        return true;
    }

    TempDir m_dir;
};
