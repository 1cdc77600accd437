// The site identity and the version information of the site.
#include <exception>

#include "DownloadEvents.h"
#include "Downloader.h"
#include "DownloaderPlaces.h"
#include "FileSystem.h"
#include "FileText.h"
#include "HttpRequest.h"
#include "TextConv.h"

void CDownloader::GetSiteID() {
    const std::string path = ProgramFolder() + "\\site.cfg";
    if (!FileExists(path)) return;
    std::string text;
    if (!ReadFileText(path, text)) return;
    std::string id;
    if (!ReadSiteIdXml(text, id)) return;
    siteId = id;
    Log("CDownloader::GetSiteID", "site_id = %s", siteId.c_str());
}

int CDownloader::Get_Site_Config(int downloadId) {
    static const char* const kTag = "CDownloader::Get_Site_Config";
    CHttpRequest request;
    int attempts = 0;
    for (;;) {
        bool parsed = false;
        try {
            std::string reply;
            request.replyMode = ReplyToString;
            request.reply = &reply;
            const std::string url =
                "http://" + ServiceHost() + "/get_download_device_xml.php?agent_id=" + siteId;
            if (HttpFetch(downloadId, nullptr, &request, 0, url.c_str())) {
                const std::string text = Utf8ToAnsi(reply);
                Log(kTag, "config of site is : %s", text.c_str());
                parsed = ParseVerInfo(text);
                if (!parsed) Log(kTag, "parse config of site fail!");
            } else {
                Log(kTag, "get lobby info faile");
            }
        } catch (const std::exception&) {  // allocation: counts as a failed attempt
            request.Reset();
            parsed = false;
        }
        if (!IsTaskRunning(downloadId)) return 1;
        if (parsed) return 0;
        if (WaitForSingleObject(cancelEvent.Get(), 1000) != WAIT_TIMEOUT) return 1;
        if (++attempts >= 5) {
            Log(kTag, "get site config retry over");
            Post_Error(2, "");
            Notify(EV_FAILED, downloadId);
            return -1;
        }
    }
}

bool CDownloader::ParseVerInfo(const std::string& text) {
    if (!ReadVerInfoXml(text, verInfo)) return false;
    return ValidateVerInfo();
}

bool CDownloader::ValidateVerInfo() {
    if (!IsVerInfoComplete(verInfo)) return false;
    siteConfigLoaded.store(true);
    return true;
}

void CDownloader::Save_App_Ver() {
    HistoryItem item;
    item.ver = verInfo.ver.ToString();
    item.md5 = verInfo.md5;
    Log("CDownloader::Save_App_Ver", "ver is %s", item.ver.c_str());
    history.Save(item);
}
