// The update information of the bound package as Cocoa objects, for the macOS window.
#pragma once

#import <Foundation/Foundation.h>

@interface zepParseController : NSObject
+ (int)loadData;
+ (NSMutableString*)getModelName;
+ (BOOL)getDispFirmVersion:(unsigned int)index:(NSString**)type:(NSString**)version;
+ (BOOL)getPlatformMaxVersion:(long*)pMax MinVersion:(long*)pMin;
+ (int)getNeedEnterOperation;
+ (int)getNeedExitOperation;
+ (int)getAllowVersionDown;
+ (int)getPortNo;
@end
