// Helpers of the macOS window. The system icons come from the icon set the system offers by
// name; GNUstep names its alert icons differently from the four-character types.
#import "ZEP_Utilities.h"

#include <cstdlib>
#include <string>

@implementation ZEP_Utilities

+ (int)stringByteCount:(NSString*)text {
    int count = 0;
    const NSUInteger length = [text length];
    for (NSUInteger i = 0; i < length; ++i) {
        const unichar c = [text characterAtIndex:i];
        count += (c >= 32 && c <= 126) ? 1 : 2;
    }
    return count;
}

+ (NSStringEncoding)systemEncoding {
    return NSUTF8StringEncoding;
}

+ (NSImage*)getSystemIcon:(NSString*)type size:(NSSize)size {
    NSString* name = nil;
    if ([type isEqualToString:@"note"])
        name = @"NSInformationalAlertPanelIcon";
    else if ([type isEqualToString:@"caut"])
        name = @"NSCriticalAlertPanelIcon";
    NSImage* icon = name != nil ? [NSImage imageNamed:name] : nil;
    if (icon == nil)
        icon = [NSImage imageNamed:@"NSApplicationIcon"];
    if (icon == nil)
        return nil;
    NSImage* image = [[[NSImage alloc] initWithSize:size] autorelease];
    [image lockFocus];
    [icon drawInRect:NSMakeRect(0, 0, size.width, size.height)
            fromRect:NSZeroRect
           operation:NSCompositeSourceOver
            fraction:1.0];
    [image unlockFocus];
    return image;
}

+ (NSString*)getPrinterAddressFromID:(NSString*)queueId folderPath:(NSString*)folder {
    std::string path([folder UTF8String]);
    std::string queue([queueId UTF8String]);
    char* address = nullptr;
    char* signature = nullptr;
    NSString* uri = nil;
    if (GetPrinterAddress(&path[0], &queue[0], &address, &signature) == 0 && address != nullptr &&
        signature != nullptr)
        uri = [NSString stringWithFormat:@"%s%s", signature, address];
    std::free(address);
    std::free(signature);
    return uri;
}

+ (void)getConnectionTypeFromURI:(NSString*)
                             uri:(printer_connection_type*)pConType
                                :(NSString**)pSignature {
    std::string text(uri != nil ? [uri UTF8String] : "");
    char* signature = nullptr;
    getConnectionTypeFromURI(&text[0], pConType, &signature);
    if (pSignature != nullptr)
        *pSignature = signature != nullptr ? [NSString stringWithUTF8String:signature] : nil;
    std::free(signature);
}

+ (NSString*)localizedString:(NSString*)key {
    return [[NSBundle mainBundle] localizedStringForKey:key value:key table:nil];
}

@end
