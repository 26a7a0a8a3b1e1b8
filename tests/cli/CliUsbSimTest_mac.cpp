// The console updater over the simulated USB bus: the printer's bulk pipes are carried to the
// device simulator, so a whole update runs through the macOS USB transport.
#include "CliSimFixture.h"

#include <cstdlib>

TEST_F(SimCliTest, WholeUpdateOverTheSimulatedUsbBus) {
    StartSimulator();
    const std::string dir = m_package.substr(0, m_package.find_last_of('/') + 1);
    const std::string bus = dir + "usb.bus";
    {
        std::ofstream file(bus);
        // Another vendor's printer with the same model and serial comes first: never opened.
        file << "vendor=0x1234\tclass=7\tserial=S1\tdevice-id=MFG:Torvi;MDL:HV2000;\ttcp=127.0.0.1:1\n"
             << "vendor=maker\tclass=7\tserial=S1\tdevice-id=MFG:Torvi;MDL:HV2000;\ttcp=127.0.0.1:"
             << sim->Port() << "\n";
    }
    setenv("HALVARD_USB_BUS", bus.c_str(), 1);
    const std::string package = Pack(SimZepInfo({"VERSION BOOTABLE=HV001200 boot.bin BOOTABLE"}));
    EXPECT_EQ(CLI_EXIT_OK,
              Run({"--package", package.c_str(), "--port-name", "usb://Torvi/HV2000?serial=S1"}))
        << out.str() << err.str();
    unsetenv("HALVARD_USB_BUS");
    EXPECT_EQ(Pattern(10000), sim->ReceivedImages()["BOOTABLE"]);
    EXPECT_EQ(1u, LoggedCount("ExitDownload"));
}
