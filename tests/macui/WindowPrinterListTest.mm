// The printer list of the device selection page, from queues of the private CUPS scheduler,
// the driver folders' lumd.conf and printers on the simulated USB bus.
#import "MacWindowFixture.h"

#import "PrinterInfo.h"
#import "PrinterList.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::string Rows(PrinterList* list) {
    std::string out;
    for (NSUInteger i = 0; i < [[list printerList] count]; ++i) {
        PrinterInfo* info = [list printerInfoAtIndex:i];
        out += MacStr([info printerName]) + "@" + MacStr([info printerURI]) + "\n";
    }
    return out;
}

} // namespace

TEST_F(MacWindowTest, PrinterListRules) {
    const std::string bus = Dir() + "/usb.bus";
    std::ofstream(bus) << "vendor=maker\tclass=7\tserial=S1\tdevice-id=MFG:Torvi;MDL:HV2000 Pro;\n"
                       << "vendor=maker\tclass=7\tserial=S2\tdevice-id=MFG:Torvi;MDL:XX9999;\n"
                       << "vendor=maker\tclass=7\tserial=S3\tdevice-id=MFG:Torvi;MDL:HV2000;\n"
                       << "vendor=maker\tclass=7\tserial=S4\tdevice-id=MFG:Torvi;MDL:XX9999;\n";
    setenv("HALVARD_USB_BUS", bus.c_str(), 1);
    std::filesystem::create_directories(Dir() + "/drivers/HV2000.driver/LUMD");
    std::ofstream(Dir() + "/drivers/HV2000.driver/LUMD/lumd.conf")
        << "#<Printer q7lumd>\n<Printer q7lumd>\nDevicePath net:10.1.2.3/PDLType=PCL6\n";

    AddQueue("q1office", "lpd://127.0.0.1/office", "Halvard HV-2000 PCL6");
    AddQueue("q2other", "lpd://127.0.0.2/other", "Other Maker HV-2000");
    AddQueue("q3again", "lpd://127.0.0.1/office", "Halvard HV-2000 PCL6");
    AddQueue("q4usb", "usb://Torvi/HV2000?serial=S3", "Halvard HV-2000");
    AddQueue("q5usbagain", "usb://Torvi/HV2000%20X?serial=S3", "Halvard HV-2000");
    AddQueue("q6socket", "socket://127.0.0.1:9100", "Halvard HV-2000");
    AddQueue("q7lumd", "qzrk://local/7", "Halvard HV-2000");
    AddQueue("q8wrongusb", "usb://Torvi/XX9999?serial=S4", "Halvard HV-2000");
    Open();
    [m_controller showSelectDevicePage:nil];
    PrinterList* list = Outlet("_printer_list");
    EXPECT_EQ("q1office desk@lpd://127.0.0.1/office\n"
              "q4usb desk@usb://Torvi/HV2000?serial=S3\n"
              "q7lumd desk@net:10.1.2.3\n" +
                  Text("USB Printer") + "@usb://Torvi/HV2000%20Pro?serial=S1\n",
              Rows(list));
    EXPECT_EQ(NSOnState, [Outlet("_assignPrtNameBtnCell") state]);

    // The chosen queue stays chosen when a queue listed before it appears.
    [Outlet("_prtListTblView") selectRow:1 byExtendingSelection:NO];
    [m_controller showPreferencePage:nil];
    AddQueue("q0new", "lpd://127.0.0.9/new", "Halvard HV-2000");
    [m_controller showSelectDevicePage:nil];
    EXPECT_EQ(2, [Outlet("_prtListTblView") selectedRow]) << Rows(list);
    [m_controller inputCheckAndShowPrepPage:nil];
    EXPECT_EQ("usb://Torvi/HV2000?serial=S3", MacStr([Outlet("_portNameTxt") stringValue]));
    unsetenv("HALVARD_USB_BUS");
}
