// The package's firmware images (type and version), as the firmware table's data source.
#pragma once

#import <AppKit/AppKit.h>

@interface FirmwareList : NSObject {
    NSMutableArray* _firmwares;
}
- (void)addFirmwareList:(NSString*)type Version:(NSString*)version;
- (int)numOfFirmware;
@end
