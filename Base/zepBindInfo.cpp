// The bound-package reader: opening and checking the package, directory lookups and streamed
// reads. Where the package lives and how names compare are the platform files' business.
#include "zepBindInfo.h"

#include "zepBindTrailer.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

const long TRAILER_SIZE = static_cast<long>(sizeof(tagBindManagementInfo));
const long ENTRY_SIZE = static_cast<long>(sizeof(tagBindManagement));
// Directory entries kept in memory; a package claiming more is walked on disk past this point.
const long MAX_CACHED_ENTRIES = 4096;
// Names whose lookup is remembered; a package is asked for a handful (its images and
// ZEPINFO.txt), so more than this is a caller asking at random, answered by walking.
const size_t MAX_REMEMBERED_NAMES = 64;

std::string& PackagePathOverride() {
    static std::string path;
    return path;
}

FILE*& PackageStreamOverride() {
    static FILE* fp = nullptr;
    return fp;
}

} // namespace

zepBindInfo* zepBindInfo::_instance = nullptr;
zepBindInfoKiller zepBindInfo::_killer;

zepBindInfoKiller::~zepBindInfoKiller() {
    delete _instance;
}

zepBindInfo* zepBindInfo::Instance() {
    if (_instance == nullptr) {
        try {
            _instance = new zepBindInfo();
        } catch (...) {
            _instance = nullptr;
        }
    }
    return _instance;
}

void zepBindInfo::SetPackagePath(const char* path) {
    PackagePathOverride() = path ? path : "";
}

void zepBindInfo::SetPackageStream(FILE* fp) {
    FILE*& slot = PackageStreamOverride();
    if (slot != nullptr && slot != fp)
        std::fclose(slot);
    slot = fp;
}

void zepBindInfo::DestroyInstance() {
    delete _instance;
}

zepBindInfo::zepBindInfo()
    : m_fp(nullptr), m_bindMngInfo(), m_fIsReady(false), m_szBindFileFolder(), m_llFileSize(0),
      m_bDirComplete(false), m_llPosition(-1) {
    FILE* stream = PackageStreamOverride();
    if (stream != nullptr) {
        PackageStreamOverride() = nullptr;
        m_fIsReady = true;
        OpenStream(stream);
        _killer.setInstance(this);
        return;
    }
    std::string path = PackagePathOverride();
    if (path.empty() && !LocatePackage(path))
        path.clear();
    m_fIsReady = !path.empty();
    if (m_fIsReady)
        OpenPackage(path);
    _killer.setInstance(this);
}

zepBindInfo::~zepBindInfo() {
    CloseZepFile();
    _killer.setInstance(nullptr);
    if (_instance == this)
        _instance = nullptr;
}

void zepBindInfo::OpenPackage(const std::string& path) {
    FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp != nullptr)
        OpenStream(fp);
}

void zepBindInfo::OpenStream(FILE* fp) {
    long size = -1;
    if (std::fseek(fp, 0, SEEK_END) == 0)
        size = std::ftell(fp);
    // A program signed after binding ends in its certificate table, which is no part of the
    // package: entries must lie before it.
    unsigned long long packageEnd = 0;
    if (size < TRAILER_SIZE ||
        ZepBindFindTrailer(fp, static_cast<unsigned long long>(size), m_bindMngInfo, packageEnd,
                           m_strRefusal) != ZEP_BIND_TRAILER_FOUND) {
        std::fclose(fp);
        std::memset(&m_bindMngInfo, 0, sizeof m_bindMngInfo);
        return;
    }
    m_fp = fp;
    m_llFileSize = static_cast<long long>(packageEnd);
    CacheDirectory();
}

// Reads the directory once, exactly as far as a lookup walking the file would get, so every
// later answer is the same as walking it each time.
void zepBindInfo::CacheDirectory() {
    const long count = m_bindMngInfo.lAllFileNum.get();
    const long start = m_bindMngInfo.lStartManageOffset.get();
    if (count <= 0 || start < 0) {
        m_bDirComplete = true; // no entry can be read
        return;
    }
    const long wanted = count < MAX_CACHED_ENTRIES ? count : MAX_CACHED_ENTRIES;
    try {
        m_directory.resize(static_cast<size_t>(wanted));
    } catch (const std::bad_alloc&) {
        m_directory.clear();
        return; // walk on disk
    }
    size_t got = 0;
    if (SeekTo(static_cast<unsigned long long>(start)))
        got = std::fread(m_directory.data(), sizeof(tagBindManagement), m_directory.size(), m_fp);
    m_llPosition = -1;
    m_directory.resize(got);
    m_bDirComplete = static_cast<long>(got) < wanted || wanted == count;
}

bool zepBindInfo::SeekTo(unsigned long long offset) {
    if (offset > static_cast<unsigned long long>(LONG_MAX))
        return false;
    if (static_cast<long long>(offset) == m_llPosition)
        return true;
    if (std::fseek(m_fp, static_cast<long>(offset), SEEK_SET) != 0) {
        m_llPosition = -1;
        return false;
    }
    m_llPosition = static_cast<long long>(offset);
    return true;
}

bool zepBindInfo::ReadEntry(long index, tagBindManagement& entry) {
    if (index < static_cast<long>(m_directory.size())) {
        entry = m_directory[static_cast<size_t>(index)];
        return true;
    }
    if (m_bDirComplete)
        return false;
    unsigned long long at =
        static_cast<unsigned long long>(m_bindMngInfo.lStartManageOffset.get()) +
        static_cast<unsigned long long>(index) * ENTRY_SIZE;
    if (!SeekTo(at))
        return false;
    m_llPosition = -1;
    return std::fread(&entry, sizeof entry, 1, m_fp) == 1;
}

bool zepBindInfo::IsBindZepFile() {
    ZepLock lock(m_lock);
    return m_fp != nullptr && m_bindMngInfo.lAllFileNum.get() >= 2;
}

void zepBindInfo::CloseZepFile() {
    ZepLock lock(m_lock);
    if (m_fp != nullptr)
        std::fclose(m_fp);
    m_fp = nullptr;
    m_llPosition = -1;
    m_lookups.clear();
}

bool zepBindInfo::getBindMngData(const char* szBindName, unsigned long& dwStart,
                                 unsigned long& dwSize) {
    ZepLock lock(m_lock);
    if (szBindName == nullptr || m_fp == nullptr)
        return false;
    // The directory and the file's size are fixed once open, so an answer never goes stale.
    auto it = m_lookups.find(szBindName);
    Lookup found = {false, 0, 0};
    if (it != m_lookups.end()) {
        found = it->second;
    } else {
        found.bFound = FindEntry(szBindName, found.dwStart, found.dwSize);
        if (m_lookups.size() < MAX_REMEMBERED_NAMES) {
            try {
                m_lookups.emplace(szBindName, found);
            } catch (const std::bad_alloc&) {
                // answered without remembering
            }
        }
    }
    if (!found.bFound)
        return false;
    dwStart = found.dwStart;
    dwSize = found.dwSize;
    return true;
}

bool zepBindInfo::FindEntry(const char* szBindName, unsigned long& dwStart, unsigned long& dwSize) {
    const long count = m_bindMngInfo.lAllFileNum.get();
    tagBindManagement entry;
    for (long i = 0; i < count && ReadEntry(i, entry); ++i) {
        std::string name = ZepBindEntryName(entry);
        if (name.size() >= ZEP_BIND_NAME_SIZE || !IsSameName(name.c_str(), szBindName))
            continue;
        // The first entry of that name decides; one that does not lie inside the file is unusable.
        const long long start = entry.lStartOffset.get();
        const long long size = entry.lFlieSize.get();
        if (start < 0 || size < 0 || start + size > m_llFileSize)
            return false;
        dwStart = static_cast<unsigned long>(start);
        dwSize = static_cast<unsigned long>(size);
        return true;
    }
    return false;
}

bool zepBindInfo::getBindFileSize(const char* szBindName, unsigned long& dwSize) {
    ZepLock lock(m_lock);
    if (szBindName == nullptr || m_fp == nullptr)
        return false;
    unsigned long dwStart = 0;
    if (!getBindMngData(szBindName, dwStart, dwSize)) {
        dwSize = 0;
        return false;
    }
    return true;
}

bool zepBindInfo::getBindFileData(const char* szBindName, unsigned long dwOffset,
                                  unsigned char* bindData, unsigned long& dwSize) {
    ZepLock lock(m_lock); // the seek and the read belong together
    if (szBindName == nullptr || bindData == nullptr || m_fp == nullptr)
        return false;
    unsigned long dwStart = 0, dwFileSize = 0;
    if (!getBindMngData(szBindName, dwStart, dwFileSize))
        return false;
    unsigned long dwWant = 0;
    if (dwOffset < dwFileSize)
        dwWant = dwSize < dwFileSize - dwOffset ? dwSize : dwFileSize - dwOffset;
    if (dwWant == 0) {
        dwSize = 0;
        return true;
    }
    if (!SeekTo(static_cast<unsigned long long>(dwStart) + dwOffset))
        return false;
    std::clearerr(m_fp);
    size_t got = std::fread(bindData, 1, dwWant, m_fp);
    if (std::ferror(m_fp)) {
        m_llPosition = -1;
        dwSize = 0;
        return false;
    }
    m_llPosition += static_cast<long long>(got);
    dwSize = static_cast<unsigned long>(got);
    return true;
}

bool zepBindInfo::InspectPackage(ZepPackageFacts& facts, std::string& strError) {
    ZepLock lock(m_lock);
    if (m_fp == nullptr) {
        strError = "no firmware package";
        return false;
    }
    m_llPosition = -1; // the inspection moves the stream
    ZepPackageLayout layout;
    return ZepReadPackageLayoutAt(m_fp, m_bindMngInfo, static_cast<unsigned long long>(m_llFileSize),
                                  layout, strError) &&
           ZepInspectPackage(m_fp, layout, facts, strError);
}
