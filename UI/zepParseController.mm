// Forwards to the zepinfo_* functions over the process-wide ZEPINFO.txt.
#import "zepParseController.h"

#import "ZEP_Utilities.h"

#include "zepInfo.h"
#include "zepPlatformGate.h"

#include <string>

@interface zepParseController (Private)
+ (NSMutableString*)convertZepString:(const std::string&)text;
@end

@implementation zepParseController

+ (NSMutableString*)convertZepString:(const std::string&)text {
    NSMutableString* s =
        [[[NSMutableString alloc] initWithBytes:text.data()
                                         length:text.size()
                                       encoding:[ZEP_Utilities systemEncoding]] autorelease];
    return s != nil ? s : [NSMutableString string];
}

+ (int)loadData {
    return zepinfo_loadfile();
}

+ (NSMutableString*)getModelName {
    std::string name;
    zepinfo_getModelName(name);
    return [self convertZepString:name];
}

+ (BOOL)getDispFirmVersion:(unsigned int)index:(NSString**)type:(NSString**)version {
    std::string strType, strVersion;
    if (!zepinfo_getDispFirmVersion(index, strType, strVersion))
        return NO;
    *type = [self convertZepString:strType];
    *version = [self convertZepString:strVersion];
    return YES;
}

+ (BOOL)getPlatformMaxVersion:(long*)pMax MinVersion:(long*)pMin {
    return zepinfo_getPlatformVersion(PLATFORM_MACOS, *pMax, *pMin) ? YES : NO;
}

+ (int)getNeedEnterOperation {
    yesno_type value = DEF_NO_VALUE;
    zepinfo_getNeedEnterOperation(value);
    return value;
}

+ (int)getNeedExitOperation {
    yesno_type value = DEF_NO_VALUE;
    zepinfo_getNeedExitOparetion(value);
    return value;
}

+ (int)getAllowVersionDown {
    yesno_type value = DEF_NO_VALUE;
    zepinfo_getAllowVersionDown(value);
    return value;
}

+ (int)getPortNo {
    int port = 48350;
    zepinfo_getPortNo(port);
    return port;
}

@end
