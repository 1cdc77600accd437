#include "XmlText.h"

#include <cstring>
#include <exception>
#include <vector>

bool ReadXmlText(const std::string& text, const std::function<bool(rapidxml::xml_document<>&)>& read) {
    try {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        rapidxml::xml_document<> doc;
        doc.parse<0>(buffer.data());
        return read(doc);
    } catch (const std::exception&) {  // rapidxml::parse_error, or allocation
        return false;
    }
}

bool NameStartsWith(const rapidxml::xml_attribute<>* attr, const char* known) {
    const size_t n = std::strlen(known);
    return attr->name_size() >= n && std::memcmp(attr->name(), known, n) == 0;
}
