#pragma once
// The version reply and the site file: their fields and the parsing of their XML.
// No platform calls; malformed text is reported as a false result, never thrown.
#include <cstdint>
#include <string>

#include "AppVersion.h"

struct CVerInfo {
    int32_t id = 0;
    AppVersion ver;
    int32_t updateTime = 0;
    int32_t upStyle = 0;  // 1 to 3 once valid
    std::string url;
    std::string md5;
    std::string updateDesc;
};

// The leading decimal integer of text as atoi reads it, saturated to the int32 range;
// 0 when there is none.
int32_t ParseLeadingInt(const char* text);
// Reads "%d.%d.%d.%d" as sscanf would: numbers from the first mismatch on keep their
// previous value. A number outside the int32 range counts as a mismatch.
void ParseVersionText(const char* text, AppVersion& version);

// Copies the attributes of a version reply into info; fields the reply does not carry
// keep their values. False when text is not XML or lacks ZQLobbyVerInfo/Site.
bool ReadVerInfoXml(const std::string& text, CVerInfo& info);
// The fields the download needs are present: url, md5, a version, upStyle 1 to 3.
bool IsVerInfoComplete(const CVerInfo& info);

// The value of the first attribute of Site/ID in a site file. False, siteId untouched,
// when the text is not XML or the element or attribute is missing.
bool ReadSiteIdXml(const std::string& text, std::string& siteId);
