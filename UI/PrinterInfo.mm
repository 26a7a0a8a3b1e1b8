// A chosen or offered device.
#import "PrinterInfo.h"

static NSString* Text(const std::string& s) {
    NSString* text = [NSString stringWithUTF8String:s.c_str()];
    return text != nil ? text : @"";
}

@implementation PrinterInfo

- (id)initWithPMPrinter:(const MacTarget&)queue {
    if ((self = [super init]) != nil) {
        _printerName = [Text(queue.strName) retain];
        _printerID = [Text(queue.strId) retain];
        _location = [Text(queue.strLocation) retain];
        _printerURI = [Text(queue.strUri) retain];
        _printerModel = [Text(queue.strModel) retain];
    }
    return self;
}

- (id)initWithPrinterName:(NSString*)name Model:(NSString*)model Address:(NSString*)address {
    if ((self = [super init]) != nil) {
        _printerName = [name copy];
        _printerModel = [model copy];
        _printerURI = [address copy];
    }
    return self;
}

- (void)dealloc {
    [_printerName release];
    [_printerID release];
    [_location release];
    [_printerURI release];
    [_printerModel release];
    [super dealloc];
}

- (NSString*)printerName {
    return _printerName;
}

- (NSString*)printerID {
    return _printerID;
}

- (NSString*)printerURI {
    return _printerURI;
}

- (NSString*)printerModel {
    return _printerModel;
}

- (void)setPrinterURI:(NSString*)uri {
    if (uri == _printerURI)
        return;
    [_printerURI release];
    _printerURI = [uri copy];
}

@end
