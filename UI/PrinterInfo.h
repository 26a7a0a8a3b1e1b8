// One device the user can choose: a print queue or a typed address or a bare USB port.
#pragma once

#import <Foundation/Foundation.h>

#include "zepMacTargetList.h"

@interface PrinterInfo : NSObject {
    NSString* _printerName;
    NSString* _printerID;
    NSString* _location;
    NSString* _printerURI;
    NSString* _printerModel;
}
- (id)initWithPMPrinter:(const MacTarget&)queue;
- (id)initWithPrinterName:(NSString*)name Model:(NSString*)model Address:(NSString*)address;
- (NSString*)printerName;
- (NSString*)printerID;
- (NSString*)printerURI;
- (NSString*)printerModel;
- (void)setPrinterURI:(NSString*)uri;
@end
