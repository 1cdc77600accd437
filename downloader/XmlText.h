#pragma once
// Reading the program's small XML texts with RapidXML. No platform calls; malformed
// text is a false result, never an exception.
#include <rapidxml.hpp>

#include <functional>
#include <string>

// Parses a writable, zero-terminated copy of text (RapidXML parses in place) and hands
// the document to read. False when the text is not well-formed, memory runs out, or
// read returns false.
bool ReadXmlText(const std::string& text, const std::function<bool(rapidxml::xml_document<>&)>& read);

// True when the attribute's name begins with known; only known's length is compared,
// so "version" counts as "ver".
bool NameStartsWith(const rapidxml::xml_attribute<>* attr, const char* known);
