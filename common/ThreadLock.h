#pragma once

#include <windows.h>

// A critical section owned by an object, so that classes can be their own lock.
class CThreadLock {
public:
    CThreadLock() { InitializeCriticalSection(&section_); }
    virtual ~CThreadLock() { DeleteCriticalSection(&section_); }
    CThreadLock(const CThreadLock&) = delete;
    CThreadLock& operator=(const CThreadLock&) = delete;

    void Lock() { EnterCriticalSection(&section_); }
    void Unlock() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a lock for the lifetime of a scope; a null lock is allowed and guards nothing.
class CAutoLock {
public:
    explicit CAutoLock(CThreadLock* lock) : lock_(lock) {
        if (lock_) {
            lock_->Lock();
        }
    }
    virtual ~CAutoLock() {
        if (lock_) {
            lock_->Unlock();
        }
    }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CThreadLock* lock_;
};
