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

// Receives a document element by element, in document order: each element with its attributes (its
// children empty) when it starts, then its end.
class XmlEvents {
public:
    virtual ~XmlEvents() = default;
    virtual void StartElement(XmlElement element) = 0;
    virtual void EndElement() = 0;
};

// Builds the tree of elements from the events.
class TreeBuilder : public XmlEvents {
public:
    void StartElement(XmlElement element) override;
    void EndElement() override { open_.pop_back(); }
    XmlElement Take() { return std::move(root_); }

private:
    XmlElement root_;
    std::vector<XmlElement*> open_;
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
    // Reads the document without keeping it: the events get each element as it comes. Namespace URIs are
    // kept in `uris`, which must outlive the elements handed out.
    static void Stream(std::string_view bytes, std::set<std::string>& uris, XmlEvents& events);

    const XmlElement& Root() const { return *root_; }

private:
    std::unique_ptr<std::set<std::string>> uris_;  // owned here, pointed to by elements and attributes
    std::unique_ptr<XmlElement> root_;
    friend class XmlParser;
};

}  // namespace persist
