// The localized texts: the same keys in all 19 languages, and every key the window and its
// alerts look up present.
#import "MacWindowFixture.h"

#include "zepMacProgressRules.h"

#include <set>

namespace {

std::set<std::string> Keys(NSString* language) {
    NSString* path = [[NSBundle mainBundle] pathForResource:@"Localizable"
                                                     ofType:@"strings"
                                                inDirectory:nil
                                            forLocalization:language];
    NSDictionary* table =
        path != nil ? [[NSString stringWithContentsOfFile:path] propertyListFromStringsFileFormat]
                    : nil;
    std::set<std::string> keys;
    NSEnumerator* e = [table keyEnumerator];
    for (NSString* key = [e nextObject]; key != nil; key = [e nextObject])
        keys.insert(MAC_STR(key));
    return keys;
}

} // namespace

TEST(MacWindowTexts, EveryLanguageHasEveryKey) {
    const std::set<std::string> english = Keys(@"English");
    for (int code = 1; code >= -13; --code) {
        const MacResultAlert alert = MacResultAlertFor(code, DEF_YES_VALUE);
        EXPECT_EQ(1u, english.count(alert.pszTitleKey)) << alert.pszTitleKey;
        EXPECT_EQ(1u, english.count(alert.pszMessageKey)) << alert.pszMessageKey;
    }
    for (const char* key : kMacStatusKeysForWidth)
        EXPECT_EQ(1u, english.count(key)) << key;
    EXPECT_EQ(76u, english.size());
    const char* languages[] = {"French",
                               "Italian",
                               "German",
                               "Spanish",
                               "Dutch",
                               "Swedish",
                               "Norwegian",
                               "Danish",
                               "Finnish",
                               "Russian",
                               "Polish",
                               "Portuguese",
                               "Japanese",
                               "Korean",
                               "TraditionalChinese",
                               "SimplifiedChinese",
                               "Vietnamese",
                               "Thai"};
    for (const char* language : languages)
        EXPECT_TRUE(Keys([NSString stringWithUTF8String:language]) == english) << language;
}
