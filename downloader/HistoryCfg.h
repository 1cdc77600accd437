#pragma once
// CHistoryCfg: the versions announced to this user, with their digests, kept in
// "hi.cfg" under the per-user folder. Nothing reads them back to decide anything.
#include <map>
#include <string>

struct HistoryItem {
    std::string ver;  // "%d.%d.%d.%d"
    std::string md5;  // as the service sent it
};

// Keyed by the version text, ordered byte by byte; the first digest of a version stays.
using HistoryMap = std::map<std::string, HistoryItem>;

// The document as written to hi.cfg: declaration, HistoryInfo, one Item per entry.
std::string PrintHistory(const HistoryMap& items);
// Adds the Item entries of text to items (present keys stay). False when text is not
// XML or has no HistoryInfo root; items keeps what it held.
bool ReadHistory(const std::string& text, HistoryMap& items);

class CHistoryCfg {
public:
    // Uses baseFolder + "\Tarnix\Downloader" and creates both levels.
    void Init(const std::string& baseFolder);
    // Reads hi.cfg into the map, or writes an empty file when there is none. Always false.
    bool Load();
    // True when item was new and the file was rewritten.
    bool Save(const HistoryItem& item);

    const HistoryMap& Items() const { return items_; }
    std::string FilePath() const { return folder_ + "\\hi.cfg"; }

private:
    HistoryMap items_;
    std::string folder_;
};
