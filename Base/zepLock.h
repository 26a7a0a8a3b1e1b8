// The system's one kind of lock: a recursive mutex behind the Lockable interface, and the scoped
// guard that releases it on every exit. The platform mutex lives in zepLock_win.cpp (critical
// section) or zepLock_posix.cpp (recursive pthread mutex).
#pragma once

class Lockable {
public:
    virtual ~Lockable() {}
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

class CRITSECT : public Lockable {
public:
    CRITSECT();
    ~CRITSECT() override;
    void Lock() override;
    void Unlock() override;

    CRITSECT(const CRITSECT&) = delete;
    CRITSECT& operator=(const CRITSECT&) = delete;

private:
    // Storage of the platform mutex; each platform file checks that its type fits.
    alignas(16) unsigned char m_CS[64];
};

class ZepLock {
public:
    explicit ZepLock(Lockable* pLockable) : m_pLockable(pLockable) { m_pLockable->Lock(); }
    explicit ZepLock(Lockable& rLockable) : ZepLock(&rLockable) {}
    ~ZepLock() { m_pLockable->Unlock(); }

    ZepLock(const ZepLock&) = delete;
    ZepLock& operator=(const ZepLock&) = delete;

private:
    Lockable* m_pLockable;
};
