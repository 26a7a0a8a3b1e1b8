// The version rules: forms, policies, region and language, the compatible minimum, and the
// checks that run before them (model, firmware type, the device's file).
#include "EngineFixture.h"
#include "zepVersionRules.h"

namespace {

const char* PolicyName(yesno_type p) {
    return p == DEF_NO_VALUE ? "NO" : p == DEF_YES_VALUE ? "YES" : "BOTH";
}

struct Verdict {
    bool pass;
    int result;
};

Verdict Judge(yesno_type policy, const char* update, const char* compatible, const char* device) {
    EngineTest::LoadZepInfo(Rows({std::string("ALLOWVERSIONDOWN ") + PolicyName(policy)}));
    zepProtocol proto;
    int result = 99;
    bool pass = proto.CheckFirmVer(update, compatible, device, result);
    return {pass, result};
}

void ExpectVerdict(Verdict got, bool pass, int result, const std::string& what) {
    EXPECT_EQ(pass, got.pass) << what;
    EXPECT_EQ(result, got.result) << what;
}

const yesno_type kNo = DEF_NO_VALUE, kYes = DEF_YES_VALUE, kBoth = DEF_BOTH_VALUE;

} // namespace

class VersionRules : public EngineTest {};

TEST_F(VersionRules, SingleNumberForms) {
    struct Case {
        yesno_type policy;
        const char *update, *device;
        bool pass;
        int result;
    } cases[] = {
        {kNo, "QQrr0150", "QQrr0149", true, 1},
        {kBoth, "QQrr0150", "QQrr0149", true, 1},
        {kNo, "QQrr0150", "QQrr0150", false, -11},
        {kBoth, "QQrr0150", "QQrr0150", true, 1},
        {kNo, "QQrr0150", "QQrr0151", false, -11},
        {kBoth, "QQrr0150", "QQrr0151", false, -11},
        {kYes, "QQrr0150", "QQrr0151", true, 1}, // form A lets YES pass
        {kNo, "QQrr0150", "QQss0149", false, 1}, // language differs: passed over
        {kNo, "QQrr0150", "qqrr0149", false, 1}, // region compared with letter case
        {kNo, "QQrr20080115.1", "QQrr20080114.9", true, 1},
        {kYes, "QQrr20080115.1", "QQrr20080114.9", false, 1}, // form E under YES: passed over
        {kNo, "QQrr", "QQrr", false, -11},                    // empty numbers read as 0
        {kNo, "QQrr01.05", "QQrr0", false, -5},               // device ends before its minor begins
        {kNo, "QQrr01X0", "QQrr0100", false, -5},
        {kNo, "QQrr000000000000000000002", "QQrr1", true, 1}, // beyond any integer type
    };
    for (const auto& c : cases)
        ExpectVerdict(Judge(c.policy, c.update, "", c.device), c.pass, c.result,
                      std::string(c.update) + " vs " + c.device + " " + PolicyName(c.policy));
}

TEST_F(VersionRules, MajorMinorForms) {
    struct Case {
        yesno_type policy;
        const char *update, *device;
        bool pass;
        int result;
    } cases[] = {
        {kNo, "01.05", "01.04", true, 1},
        {kNo, "01.05", "01.05", false, -11},
        {kBoth, "01.05", "01.05", true, 1},
        {kNo, "01.05", "00.09", true, 1},
        {kYes, "01.05", "00.09", true, 1},
        {kBoth, "01.05", "02.00", false, -11},
        {kYes, "01.05", "01.06", false, 1},
        {kNo, "QQrr01.05", "QQrr01.04", true, 1},
        {kNo, "QQrr01.05", "QQrrAB.05", false, -5},
        {kNo, "QQrr01.05", "QQss01.04", false, 1},
        {kNo, "ABCDEFGH.1.02.07", "ABCDEFGH.1.02.06", true, 1},
        {kBoth, "ABCDEFGH.1.02.07", "ABCDEFGH.1.03.00", false, -11},
        {kNo, "ABCDEFGH.1.0207", "ABCDEFGH.1.02.06", false, -5}, // no third "."
        {kNo, "1.05", "1.04", false, -5},
        {kNo, "QQr.05", "QQr.04", false, -5},
    };
    for (const auto& c : cases)
        ExpectVerdict(Judge(c.policy, c.update, "", c.device), c.pass, c.result,
                      std::string(c.update) + " vs " + c.device + " " + PolicyName(c.policy));
}

TEST_F(VersionRules, CompatibleMinimumOutranksTheVersionTest) {
    for (yesno_type policy : {kNo, kBoth, kYes}) {
        Verdict v = Judge(policy, "QQrr0150", "QQrr0100", "QQrr0099");
        if (zepAppliesCompatibleVersion())
            ExpectVerdict(v, false, -12, PolicyName(policy));
        else
            EXPECT_NE(-12, v.result);
    }
    ExpectVerdict(Judge(kNo, "QQrr0150", "QQrr0100", "QQrr0100"), true, 1, "at the minimum");
    // Only form A looks at the compatible version.
    ExpectVerdict(Judge(kNo, "01.05", "01.09", "01.04"), true, 1, "form B");
}

TEST_F(VersionRules, CheckVersionRunsTheChecksInOrder) {
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    int result = 0;
    EXPECT_FALSE(proto.CheckVersion(nullptr, "BOOTABLE", "HV001200", "", result));
    EXPECT_EQ(-10, result);

    EXPECT_TRUE(proto.CheckVersion("hv2000", "bootable", "HV001200", "", result));
    EXPECT_EQ(1, result);
    EXPECT_FALSE(proto.CheckVersion("HV3000", "BOOTABLE", "HV001200", "", result));
    EXPECT_EQ(-7, result);
    EXPECT_FALSE(proto.CheckVersion("HV2000", "FONT", "HV001200", "", result));
    EXPECT_EQ(-11, result);
    EXPECT_FALSE(proto.CheckVersion("HV2000", "BOOTABLE", "HV001100", "", result));
    EXPECT_EQ(-11, result);

    // A fetch that fails keeps its own code: a lost connection reports -6.
    device->transportError = {{static_cast<int>(device->requests.size()), -13}};
    EXPECT_FALSE(proto.CheckVersion("HV2000", "BOOTABLE", "HV001200", "", result));
    EXPECT_EQ(-6, result);
}

TEST_F(VersionRules, PolicyDecidesWhetherToCompareAtAll) {
    zepProtocol proto;
    ASSERT_EQ(1, Enter(proto));
    int result = 0;
    // YES without a compatible version skips the comparison: even an older image is sent.
    LoadZepInfo(Rows({"ALLOWVERSIONDOWN YES"}));
    EXPECT_TRUE(proto.CheckVersion("HV2000", "BOOTABLE", "HV001000", "", result));
    EXPECT_EQ(1, result);
    // With a compatible version the comparison runs; form A lets YES pass above the minimum.
    EXPECT_TRUE(proto.CheckVersion("HV2000", "BOOTABLE", "HV001000", "HV000900", result));
    bool applied = zepAppliesCompatibleVersion();
    EXPECT_EQ(applied, !proto.CheckVersion("HV2000", "BOOTABLE", "HV001000", "HV001150", result));
    EXPECT_EQ(applied ? -12 : 1, result);

    LoadZepInfo(Rows({"ALLOWVERSIONDOWN MAYBE"}));
    EXPECT_FALSE(proto.CheckVersion("HV2000", "BOOTABLE", "HV001200", "", result));
    EXPECT_EQ(-9, result);
}

TEST_F(VersionRules, ModelHookDecidesForNoModel) {
    zepProtocol proto;
    int result = 1;
    modelchk_result state = ERROR_STATE;
    EXPECT_FALSE(proto.CheckFirmVerForModel("01.05", "01.04", result, state));
    EXPECT_EQ(NORMALEND_STATE, state);
    EXPECT_FALSE(proto.CheckFirmVerForModel(nullptr, "01.04", result, state));
    EXPECT_EQ(ERROR_STATE, state);
    EXPECT_EQ(-10, result);
}
