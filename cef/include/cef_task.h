#pragma once

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

// Work for one of the library's threads.
class CefTask : public virtual CefBase {
public:
    virtual void Execute() = 0;
};

// True on the named thread. The library runs TID_UI and, in single-process mode, TID_RENDERER.
bool CefCurrentlyOn(CefThreadId threadId);
// Queues the task on the named thread; false when that thread does not run.
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);
