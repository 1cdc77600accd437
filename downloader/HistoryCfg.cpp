#include "HistoryCfg.h"

#include <rapidxml.hpp>
#include <rapidxml_print.hpp>

#include <exception>
#include <iterator>
#include <vector>

#include "FileSystem.h"
#include "FileText.h"
#include "XmlText.h"

std::string PrintHistory(const HistoryMap& items) {
    rapidxml::xml_document<> doc;
    // Written as a processing instruction named by the whole declaration text, which is
    // why the printed declaration has a blank before "?>".
    doc.append_node(doc.allocate_node(rapidxml::node_pi, "xml version='1.0' encoding='utf-8'"));
    rapidxml::xml_node<>* root = doc.allocate_node(rapidxml::node_element, "HistoryInfo");
    doc.append_node(root);
    for (const auto& entry : items) {
        rapidxml::xml_node<>* item = doc.allocate_node(rapidxml::node_element, "Item");
        item->append_attribute(doc.allocate_attribute(
            "ver", entry.second.ver.c_str(), 0, entry.second.ver.size()));
        item->append_attribute(doc.allocate_attribute(
            "md5", entry.second.md5.c_str(), 0, entry.second.md5.size()));
        root->append_node(item);
    }
    std::string text;
    rapidxml::print(std::back_inserter(text), doc, 0);
    return text;
}

bool ReadHistory(const std::string& text, HistoryMap& items) {
    return ReadXmlText(text, [&items](rapidxml::xml_document<>& doc) {
        rapidxml::xml_node<>* root = doc.first_node("HistoryInfo");
        if (root == nullptr) return false;
        // From the first Item on, every following element counts, whatever its name.
        for (rapidxml::xml_node<>* node = root->first_node("Item"); node != nullptr;
             node = node->next_sibling()) {
            if (node->type() != rapidxml::node_element) continue;
            HistoryItem item;
            for (auto* attr = node->first_attribute(); attr != nullptr; attr = attr->next_attribute()) {
                if (NameStartsWith(attr, "ver")) {
                    item.ver.assign(attr->value(), attr->value_size());
                } else if (NameStartsWith(attr, "md5")) {
                    item.md5.assign(attr->value(), attr->value_size());
                }
            }
            items.emplace(item.ver, item);
        }
        return true;
    });
}

void CHistoryCfg::Init(const std::string& baseFolder) {
    const std::string tarnix = baseFolder + "\\Tarnix";
    MakeDir(tarnix);
    folder_ = tarnix + "\\Downloader";
    MakeDir(folder_);
}

bool CHistoryCfg::Load() {
    const std::string path = FilePath();
    try {
        if (!FileExists(path)) {
            WriteFileText(path, PrintHistory(HistoryMap()));
            return false;
        }
        std::string text;
        if (!ReadFileText(path, text)) return false;
        // Parsed into a copy, so a malformed file leaves the map as it was.
        HistoryMap loaded = items_;
        if (ReadHistory(text, loaded)) items_.swap(loaded);
    } catch (const std::exception&) {  // allocation: keep what we hold
    }
    return false;
}

bool CHistoryCfg::Save(const HistoryItem& item) {
    try {
        if (items_.count(item.ver) != 0) return false;
        items_.emplace(item.ver, item);
        const std::string text = PrintHistory(items_);
        const std::string path = FilePath();
        RemoveFile(path);
        return WriteFileText(path, text);
    } catch (const std::exception&) {
        return false;
    }
}
