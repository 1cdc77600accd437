#pragma once
// CBreakpointCfg: the unfinished ranges of an interrupted download, collected while the
// engine stops and kept in a record file beside the temp file until the next run.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BreakpointRecord.h"
#include "Lock.h"
#include "WinHandle.h"

class CBreakpointCfg {
public:
    static CBreakpointCfg& Instance();
    // Writes the collected entries, or deletes a stale record file when there are none.
    virtual ~CBreakpointCfg();
    CBreakpointCfg(const CBreakpointCfg&) = delete;
    CBreakpointCfg& operator=(const CBreakpointCfg&) = delete;

    // Names the record file (path + ".cfg") and the size of the current download; ignored
    // while a file operation runs or when path is empty.
    void SetDownload(const std::string& path, int64_t totalSize);
    // Loads the record file into record; false (record left empty) when it is missing,
    // unreadable or does not describe the current download of url into path.
    bool Read(BreakpointRecord* record, const std::string& url, const std::string& path);
    // Stores the collected entries into the record file; a failed write deletes the file.
    void Write();
    // Takes ownership of entry.
    void AddEntry(BreakpointEntry* entry);
    // The caller holds Lock().
    void ClearEntries();
    bool DeleteRecordFile();

    CLock& Lock() { return lock_; }
    size_t EntryCount();

private:
    CBreakpointCfg() = default;

    CLock lock_;
    UniqueHandle recordFile_;  // open only while Read or Write runs
    std::string recordPath_;
    BreakpointRecord current_;
};
