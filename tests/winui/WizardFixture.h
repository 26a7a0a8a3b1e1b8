// A bound copy of ZEP_WIN.exe per test, made from the text of its ZEPINFO.txt and two images,
// and started under the driver.
#pragma once

#include "WizardDriver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class WizardTest : public ::testing::Test {
protected:
    void TearDown() override;

    // ZEPINFO.txt rows of the sample release, PORTNO as given.
    static std::string SampleInfo(int nPortNo = 48350);
    // Binds info and the two sample images into a copy of the program; its path.
    std::string BoundProgram(const std::string& info, bool bWithImages = true);
    // Starts a copy and waits for its opening page.
    HWND StartAtOpening(const std::string& exe);
    // Opening -> preparation -> device selection.
    HWND GoToSelect();
    // Device selection by address -> confirmation.
    HWND GoToConfirmByAddress(HWND hSelect);

    std::unique_ptr<WizardProcess> wizard;
    static std::string PathIn(const std::string& name);
    static void WriteFile(const std::string& path, const std::string& content);
};
