// Process-wide reader of the bound firmware package: finds the package at start-up, keeps it
// open for the whole run and hands out the size and bytes of the files it holds, whole or a
// piece at an offset. Every lookup and read holds the reader's lock: the stream's position is
// shared, and several workers of one run read images at once.
#pragma once

#include "zepBindFormat.h"
#include "zepLock.h"
#include "zepPackageSign.h"
#include "zepTypes.h"

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

class zepBindInfo;

// Destroys the singleton at process exit.
class zepBindInfoKiller {
public:
    constexpr zepBindInfoKiller() = default;
    ~zepBindInfoKiller();
    void setInstance(zepBindInfo* p) { _instance = p; }

private:
    zepBindInfo* _instance = nullptr;
};

class zepBindInfo {
public:
    // The singleton, created on the first call; null when it cannot be made (a later call
    // tries again).
    static zepBindInfo* Instance();
    // Package file used by the next creation of the instance instead of the located one; null
    // or "" returns to locating. For tools and tests.
    static void SetPackagePath(const char* path);
    // An open stream read by the next creation of the instance instead of any path; the
    // instance takes it over and closes it. For tools, tests and fuzzing (a memory stream).
    static void SetPackageStream(FILE* fp);
    // Destroys the singleton now, so that the next Instance() opens the package afresh (tests).
    static void DestroyInstance();

    // True when a package is open and holds at least two files (an image and ZEPINFO.txt).
    bool IsBindZepFile();
    // Closes the package for good: every lookup fails from then on.
    void CloseZepFile();
    // Why the file was refused unread (a package grafted into a program's signature, damaged
    // program headers); empty when the package opened or the file simply carries none.
    const std::string& RefusalReason() const { return m_strRefusal; }

    // Size of a file in the package. Not found: dwSize 0 and false; null name or closed
    // package: false with dwSize untouched.
    bool getBindFileSize(const char* szBindName, unsigned long& dwSize);
    // Up to dwSize bytes of the file from dwOffset on, into bindData; dwSize comes back as the
    // number of bytes delivered (0 at or past the end of the file, with true). Never writes more
    // than the dwSize passed in.
    bool getBindFileData(const char* szBindName, unsigned long dwOffset, unsigned char* bindData,
                         unsigned long& dwSize);
    // Directory lookup: where the file starts in the package and how long it is. False for an
    // unknown name, a closed package, or an entry that does not lie wholly inside the file.
    bool getBindMngData(const char* szBindName, unsigned long& dwStart, unsigned long& dwSize);
    // Reads the open package once for its digest and signature (zepPackageSign.h). False with
    // a reason when no package is open or it cannot be read.
    bool InspectPackage(ZepPackageFacts& facts, std::string& strError);

    zepBindInfo(const zepBindInfo&) = delete;
    zepBindInfo& operator=(const zepBindInfo&) = delete;

private:
    friend class zepBindInfoKiller;

    zepBindInfo();
    ~zepBindInfo();

    // Platform variant (zepBindInfo_win.cpp / zepBindInfo_mac.cpp): where this program's
    // package lives, and how names in the directory are compared.
    bool LocatePackage(std::string& path);
    static bool IsSameName(const char* entryName, const char* name);

    void OpenPackage(const std::string& path);
    void OpenStream(FILE* fp);
    bool FindEntry(const char* szBindName, unsigned long& dwStart, unsigned long& dwSize);
    void CacheDirectory();
    bool ReadEntry(long index, tagBindManagement& entry);
    bool SeekTo(unsigned long long offset);

    CRITSECT m_lock; // guards m_fp, m_llPosition and the on-demand directory reads
    FILE* m_fp;
    tagBindManagementInfo m_bindMngInfo;
    bool m_fIsReady;
    char m_szBindFileFolder[ZEP_BUNDLE_PATH_SIZE + 1];
    long long m_llFileSize;   // where the package ends: the file's end or a signature's table
    std::string m_strRefusal; // fixed at construction
    // The leading entries of the directory as read once at start-up. When m_bDirComplete is set
    // they are all the readable entries; otherwise the rest is read from the file on demand.
    std::vector<tagBindManagement> m_directory;
    bool m_bDirComplete;
    long long m_llPosition; // where the stream stands, -1 when unknown
    // Answers of earlier lookups by the name asked: an image is read in thousands of pieces, and
    // walking the directory for each one costs more than the read once it has a few thousand
    // entries.
    struct Lookup {
        bool bFound;
        unsigned long dwStart, dwSize;
    };
    std::unordered_map<std::string, Lookup> m_lookups;

    static zepBindInfo* _instance;
    static zepBindInfoKiller _killer;
};
