#pragma once

#include <string>
#include <vector>

#include "HttpTransfer.h"
#include "Win32Handles.h"

// A download's file while it arrives: created beside its target on the first block, under a name
// of its own that no other download takes, and moved to the target only once it is complete.
// Whatever has not been put in place is removed when the object goes.
class CTemporaryDownload {
public:
    // `target` is the ANSI path the file is meant for.
    explicit CTemporaryDownload(std::string target);
    ~CTemporaryDownload();
    CTemporaryDownload(const CTemporaryDownload&) = delete;
    CTemporaryDownload& operator=(const CTemporaryDownload&) = delete;

    // Creates the file on the first call; false when it cannot be created or written.
    bool Append(const char* data, size_t size);
    bool HasFile() const { return !path_.empty(); }
    // Writes what is left and closes the file; false when any of it failed. True without a file.
    bool Finish();
    // Moves the finished file to the target as `placement` says; `placed` is the ANSI path it
    // took. False (the file stays temporary) when it could not be put in place.
    bool PutInPlace(Placement placement, std::string& placed);

private:
    bool Create();
    bool Flush();
    bool WriteAll(const char* data, size_t size);
    bool MoveTo(const std::string& target, bool replace) const;

    std::string target_;
    std::wstring path_;
    CScopedHandle file_;
    std::vector<char> buffer_;
    bool placed_ = false;
};
