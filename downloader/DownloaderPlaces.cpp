#include "DownloaderPlaces.h"

#include "FileSystem.h"
#include "ServiceHosts.h"

namespace {
DownloaderPlaces g_overrides;
}

std::string ProgramFolder() {
    return g_overrides.programFolder.empty() ? GetModuleDir() : g_overrides.programFolder;
}

std::string DataFolder() {
    return g_overrides.dataFolder.empty() ? GetAppDataDir() : g_overrides.dataFolder;
}

std::string ServiceHost() {
    return g_overrides.serviceHost.empty() ? std::string(TARNIX_SERVICE_HOST_TEXT)
                                           : g_overrides.serviceHost;
}

std::string OfficialPageUrl() {
    return std::string("http://") + TARNIX_PAGE_HOST_TEXT + "/download/download_lobby.html";
}

void SetDownloaderPlacesForTests(const DownloaderPlaces& places) { g_overrides = places; }
