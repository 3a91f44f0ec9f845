#include "TemporaryDownload.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "CodePage.h"
#include "DesktopName.h"

namespace {

// Under Wine every write call costs a fixed amount whatever its size: small blocks are gathered.
constexpr size_t kBlockSize = 512 * 1024;
constexpr int kNameAttempts = 256;

// A wide path for the file functions that also works past the usual length limit: the temporary
// name adds a few characters to a path that may just fit.
std::wstring LongPath(const std::string& ansiPath) {
    const std::wstring wide = AnsiToWide(ansiPath);
    if (wide.size() < MAX_PATH) {
        return wide;
    }
    std::wstring full(32768, L'\0');
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size()) {
        return wide;
    }
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

// A short suffix, different for every download of this process and, most likely, of others.
std::string TemporarySuffix() {
    static std::atomic<unsigned> counter{GetCurrentProcessId() * 2654435761u};
    char suffix[8] = {};
    std::snprintf(suffix, sizeof suffix, ".~%04x", ++counter & 0xFFFFu);
    return suffix;
}

bool AlreadyExists(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

}  // namespace

CTemporaryDownload::CTemporaryDownload(std::string target) : target_(std::move(target)) {}

CTemporaryDownload::~CTemporaryDownload() {
    file_.close();
    if (HasFile() && !placed_) {
        DeleteFileW(path_.c_str());
    }
}

bool CTemporaryDownload::Create() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring path = LongPath(target_ + TemporarySuffix());
        file_.reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_.valid()) {
            path_ = path;
            buffer_.reserve(kBlockSize);
            return true;
        }
        if (!AlreadyExists(GetLastError())) {
            return false;
        }
    }
    return false;
}

bool CTemporaryDownload::Append(const char* data, size_t size) {
    if (!HasFile() && !Create()) {
        return false;
    }
    if (buffer_.size() + size > kBlockSize && !Flush()) {
        return false;
    }
    if (size >= kBlockSize) {
        return WriteAll(data, size);
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool CTemporaryDownload::Finish() {
    if (!file_.valid()) {
        return true;
    }
    const bool flushed = Flush();
    return file_.close() && flushed;
}

bool CTemporaryDownload::Flush() {
    const bool written = WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
}

bool CTemporaryDownload::WriteAll(const char* data, size_t size) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file_.get(), data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool CTemporaryDownload::MoveTo(const std::string& target, bool replace) const {
    return MoveFileExW(path_.c_str(), LongPath(target).c_str(),
                       replace ? MOVEFILE_REPLACE_EXISTING : 0) != FALSE;
}

bool CTemporaryDownload::PutInPlace(Placement placement, std::string& placed) {
    if (!HasFile() || file_.valid()) {
        return false;
    }
    if (placement != Placement::kNextFreeName) {
        placed_ = MoveTo(target_, placement == Placement::kReplace);
        placed = placed_ ? target_ : std::string();
        return placed_;
    }
    // A file that appeared while the download ran keeps its name: the next free number is taken.
    // Moves that never replace look for it, each either succeeding or finding its name taken.
    // Split in characters: a trail byte of a double-byte character may equal "\\".
    const std::wstring wide = AnsiToWide(target_);
    const size_t slash = wide.rfind(L'\\');
    if (slash == std::wstring::npos) {
        return false;
    }
    const std::string folder = WideToAnsi(wide.substr(0, slash));
    const std::string taken =
        FreeFileName(folder, WideToAnsi(wide.substr(slash + 1)), [this](const std::string& path) {
            placed_ = MoveTo(path, false);
            return !placed_ && AlreadyExists(GetLastError());
        });
    placed = placed_ ? folder + "\\" + taken : std::string();
    return placed_;
}
