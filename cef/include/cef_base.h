#pragma once

#include <windows.h>

#include "include/base/cef_basictypes.h"
#include "include/base/cef_build.h"
#include "include/base/cef_macros.h"
#include "include/internal/cef_ptr.h"
#include "include/internal/cef_types_wrappers.h"
#include "include/internal/cef_win.h"

// Every object that crosses between the library and the application is counted; the last
// Release deletes it, whichever thread that happens on.
class CefBase {
public:
    virtual void AddRef() const = 0;
    virtual bool Release() const = 0;
    virtual bool HasOneRef() const = 0;

protected:
    virtual ~CefBase() {}
};

// A thread-safe reference count.
class CefRefCount {
public:
    CefRefCount() : count_(0) {}
    CefRefCount(const CefRefCount&) = delete;
    CefRefCount& operator=(const CefRefCount&) = delete;

    void AddRef() const { InterlockedIncrement(&count_); }
    // True when this was the last reference.
    bool Release() const { return InterlockedDecrement(&count_) == 0; }
    bool HasOneRef() const { return InterlockedCompareExchange(&count_, 0, 0) == 1; }

private:
    mutable LONG count_;
};

#define IMPLEMENT_REFCOUNTING(ClassName)                \
public:                                                 \
    void AddRef() const OVERRIDE {                      \
        ref_count_.AddRef();                            \
    }                                                   \
    bool Release() const OVERRIDE {                     \
        if (ref_count_.Release()) {                     \
            delete static_cast<const ClassName*>(this); \
            return true;                                \
        }                                               \
        return false;                                   \
    }                                                   \
    bool HasOneRef() const OVERRIDE {                   \
        return ref_count_.HasOneRef();                  \
    }                                                   \
                                                        \
private:                                                \
    CefRefCount ref_count_
