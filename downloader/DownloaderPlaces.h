#pragma once
// Where the controller finds its folders and services: fixed in the program. Tests
// redirect them (before constructing a controller) so that cases run side by side.
#include <string>

struct DownloaderPlaces {
    std::string programFolder;  // site.cfg, the installer and its temporary file
    std::string dataFolder;     // stands for the per-user application data folder
    std::string serviceHost;    // host[:port] of the version information and statistics
};

std::string ProgramFolder();
std::string DataFolder();
std::string ServiceHost();
// "http://" + the page host + "/download/download_lobby.html".
std::string OfficialPageUrl();

// For tests only: empty members keep the fixed places.
void SetDownloaderPlacesForTests(const DownloaderPlaces& places);
