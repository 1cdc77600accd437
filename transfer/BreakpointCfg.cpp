#include "BreakpointCfg.h"

#include "FileSystem.h"
#include "TextConv.h"

namespace {
// Far above any real record (a few entries); a larger file is not ours.
constexpr LONGLONG kMaxRecordBytes = 1 << 20;
}  // namespace

CBreakpointCfg& CBreakpointCfg::Instance() {
    static CBreakpointCfg instance;
    return instance;
}

CBreakpointCfg::~CBreakpointCfg() {
    if (!current_.entries.empty()) {
        Write();
    } else if (!recordPath_.empty() && FileExists(recordPath_)) {
        DeleteFileW(Utf8ToWide(recordPath_).c_str());
    }
}

void CBreakpointCfg::SetDownload(const std::string& path, int64_t totalSize) {
    if (path.empty() || recordFile_) return;
    current_.totalSize = totalSize;
    recordPath_ = path + ".cfg";
}

bool CBreakpointCfg::Read(BreakpointRecord* record, const std::string& url, const std::string& path) {
    if (!record) return false;
    *record = BreakpointRecord();
    if (recordPath_.empty()) return false;
    recordFile_.Reset(CreateFileW(Utf8ToWide(recordPath_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!recordFile_) return false;
    std::string bytes;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(recordFile_.Get(), &size) && size.QuadPart <= kMaxRecordBytes;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() ||
             (ReadFile(recordFile_.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) &&
              got == bytes.size());
    }
    recordFile_.Reset();
    return ok && DecodeBreakpointRecord(bytes, current_.totalSize, url, path, *record);
}

void CBreakpointCfg::Write() {
    if (recordPath_.empty()) return;
    const std::wstring widePath = Utf8ToWide(recordPath_);
    recordFile_.Reset(CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!recordFile_) return;
    current_.count = static_cast<int32_t>(current_.entries.size());
    const std::string bytes = EncodeBreakpointRecord(current_.totalSize, current_.entries);
    DWORD written = 0;
    // A stale tail of an older, longer record is cut off so the file says only this.
    const bool ok = WriteFile(recordFile_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr) &&
                    written == bytes.size() && SetEndOfFile(recordFile_.Get());
    recordFile_.Reset();
    if (!ok) DeleteFileW(widePath.c_str());
}

void CBreakpointCfg::AddEntry(BreakpointEntry* entry) {
    if (!entry) return;
    CLockGuard guard(lock_);
    current_.entries.emplace_back(entry);
}

void CBreakpointCfg::ClearEntries() { current_.entries.clear(); }

size_t CBreakpointCfg::EntryCount() {
    CLockGuard guard(lock_);
    return current_.entries.size();
}

bool CBreakpointCfg::DeleteRecordFile() {
    if (recordPath_.empty() || !FileExists(recordPath_)) return false;
    return DeleteFileW(Utf8ToWide(recordPath_).c_str()) != FALSE;
}
