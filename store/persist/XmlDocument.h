#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace persist {

struct XmlAttribute {
    const std::string* ns = nullptr;  // the namespace URI; empty for an attribute without prefix
    std::string local;
    std::string value;
};

struct XmlElement {
    const std::string* ns = nullptr;  // the namespace URI, empty when none
    std::string local;
    std::vector<XmlAttribute> attributes;
    std::vector<XmlElement> children;

    bool Is(std::string_view uri, std::string_view name) const { return *ns == uri && local == name; }
    // The value of the attribute, or null.
    const std::string* Attribute(std::string_view uri, std::string_view name) const;
};

// A small, strict XML reader for the rowset format: UTF-8 (with or without byte-order mark) or UTF-16
// with its byte-order mark; elements, attributes, namespaces resolved to their URIs, character and the
// five predefined entity references, comments, processing instructions and CDATA. Document type
// declarations are refused, so no entity can expand. Text content is dropped. Attribute values are kept
// exactly as written (tabs and line ends included), because ADO writes them so. Raises PersistError
// with the line of the fault.
class XmlDocument {
public:
    static XmlDocument Parse(std::string_view bytes);

    const XmlElement& Root() const { return *root_; }

private:
    std::unique_ptr<std::set<std::string>> uris_;  // owned here, pointed to by elements and attributes
    std::unique_ptr<XmlElement> root_;
    friend class XmlParser;
};

}  // namespace persist
