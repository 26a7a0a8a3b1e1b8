// The IEEE 1284 device-ID key scan.
#include "DevConnBase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs a scan on a writable copy; "(null)" when nothing was found.
std::string Scan(char* (*scan)(char*), const char* pszID) {
    std::vector<char> text(pszID, pszID + std::string(pszID).size() + 1);
    const char* p = scan(text.data());
    return p != nullptr ? p : "(null)";
}

std::string Model(const char* pszID) {
    return Scan(DevConnBase::FindModelKey, pszID);
}
std::string Maker(const char* pszID) {
    return Scan(DevConnBase::FindMFGKey, pszID);
}

TEST(DeviceIdScan, ModelKeys) {
    EXPECT_EQ("B", Model("MFG:X;MDL:A;MODEL:B;")); // the last key wins
    EXPECT_EQ("A", Model("MODEL:B;MDL:A;"));
    EXPECT_EQ("(null)", Model("mdl:A;")); // first letter lower case
    EXPECT_EQ("A", Model("MDL:A"));       // no trailing ';'
    EXPECT_EQ("Office 5 (PS)", Model("MFG:Torvi;CMD:PCL,PS;MdL:Office 5 (PS);CLS:PRINTER;"));
    EXPECT_EQ("", Model("MDL:;"));
    EXPECT_EQ("(null)", Model("MFG:X;CMD:Y;"));
    EXPECT_EQ("(null)", Model(""));
    EXPECT_EQ("(null)", Model("no pairs at all"));
    EXPECT_EQ("(null)", Model(" MDL:A;")); // the key starts where the pair starts
    EXPECT_EQ("(null)", Model("MODELS:A;"));
}

TEST(DeviceIdScan, MakerKey) {
    EXPECT_EQ("Torvi", Maker("MFG:Torvi;MDL:A;"));
    EXPECT_EQ("Y", Maker("MFG:X;MFG:Y"));
    EXPECT_EQ("(null)", Maker("mfg:X;"));
    EXPECT_EQ("(null)", Maker("MANUFACTURER:X;"));
}

TEST(DeviceIdScan, CutsValuesInPlaceAndToleratesNull) {
    char text[] = "MFG:X;MDL:A;CMD:Z";
    char* p = DevConnBase::FindModelKey(text);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(text + 10, p);
    EXPECT_EQ('\0', text[5]);
    EXPECT_EQ(nullptr, DevConnBase::FindModelKey(nullptr));
}

} // namespace
