// Test program of the macOS window: one application object for every test.
#import <AppKit/AppKit.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
    [NSApplication sharedApplication];
    ::testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    [pool release];
    return status;
}
