#include "VerInfo.h"

#include "XmlText.h"

#include <cctype>
#include <cstring>
#include <exception>
#include <vector>

namespace {

// Reads an optionally signed decimal number at *cursor; false when there is no digit
// or the value leaves the int32 range. On success *cursor is past the digits.
bool ReadInt(const char*& cursor, int32_t& value, bool saturate) {
    const char* p = cursor;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
    int64_t magnitude = 0;
    bool overflow = false;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (!overflow) {
            magnitude = magnitude * 10 + (*p - '0');
            if (magnitude > limit) overflow = true;
        }
    }
    if (overflow && !saturate) return false;
    if (overflow) magnitude = limit;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    cursor = p;
    return true;
}

}  // namespace

int32_t ParseLeadingInt(const char* text) {
    if (text == nullptr) return 0;
    int32_t value = 0;
    return ReadInt(text, value, true) ? value : 0;
}

void ParseVersionText(const char* text, AppVersion& version) {
    if (text == nullptr) return;
    int32_t* fields[] = {&version.major, &version.minor, &version.build, &version.revision};
    const char* cursor = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*cursor != '.') return;
            ++cursor;
        }
        int32_t value = 0;
        if (!ReadInt(cursor, value, false)) return;
        *fields[i] = value;
    }
}

bool ReadVerInfoXml(const std::string& text, CVerInfo& info) {
    return ReadXmlText(text, [&info](rapidxml::xml_document<>& doc) {
        rapidxml::xml_node<>* root = doc.first_node("ZQLobbyVerInfo");
        if (root == nullptr) return false;
        rapidxml::xml_node<>* site = root->first_node("Site");
        if (site == nullptr) return false;
        // The attributes of Site and of every node after it count, whatever its name.
        for (rapidxml::xml_node<>* node = site; node != nullptr; node = node->next_sibling()) {
            for (auto* attr = node->first_attribute(); attr != nullptr; attr = attr->next_attribute()) {
                const char* value = attr->value();
                if (NameStartsWith(attr, "ID")) {
                    info.id = ParseLeadingInt(value);
                } else if (NameStartsWith(attr, "ver")) {
                    ParseVersionText(value, info.ver);
                } else if (NameStartsWith(attr, "url")) {
                    info.url.assign(value, attr->value_size());
                } else if (NameStartsWith(attr, "md5")) {
                    info.md5.assign(value, attr->value_size());
                } else if (NameStartsWith(attr, "updatetime")) {
                    info.updateTime = ParseLeadingInt(value);
                } else if (NameStartsWith(attr, "update_desc")) {
                    info.updateDesc.assign(value, attr->value_size());
                } else if (NameStartsWith(attr, "upStyle")) {
                    info.upStyle = ParseLeadingInt(value);
                }
            }
        }
        return true;
    });
}

bool IsVerInfoComplete(const CVerInfo& info) {
    return !info.url.empty() && !info.ver.IsUnset() && !info.md5.empty() && info.upStyle >= 1 &&
           info.upStyle <= 3;
}

bool ReadSiteIdXml(const std::string& text, std::string& siteId) {
    return ReadXmlText(text, [&siteId](rapidxml::xml_document<>& doc) {
        rapidxml::xml_node<>* site = doc.first_node("Site");
        if (site == nullptr) return false;
        rapidxml::xml_node<>* id = site->first_node("ID");
        if (id == nullptr) return false;
        rapidxml::xml_attribute<>* attr = id->first_attribute();
        if (attr == nullptr) return false;
        siteId.assign(attr->value(), attr->value_size());
        return true;
    });
}
