#include "store/persist/XmlDocument.h"

#include "store/persist/PersistError.h"

#include "text/Unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace persist {

namespace {
constexpr int kMaxDepth = 64;

// The characters at which plain text in an attribute value may end: either quote, '<' and '&'. A table,
// as values make up most of a saved table and this is looked up for each of their characters.
constexpr std::array<bool, 256> kMayEndValue = [] {
    std::array<bool, 256> table{};
    for (const char c : {'\'', '"', '<', '&'}) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}();
const std::string kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
}  // namespace

const std::string* XmlElement::Attribute(std::string_view uri, std::string_view name) const {
    for (const XmlAttribute& attribute : attributes) {
        if (attribute.local == name && *attribute.ns == uri) {
            return &attribute.value;
        }
    }
    return nullptr;
}

class XmlParser {
public:
    XmlParser(std::string_view text, std::set<std::string>& uris) : text_(text), uris_(uris) { empty_ = Intern(""); }

    void ParseDocument(XmlEvents& events) {
        events_ = &events;
        SkipMisc();
        if (!Peek('<')) {
            Fail("the document has no root element");
        }
        Scope root;
        root.prefixes["xml"] = Intern(kXmlNamespace);
        scopes_.push_back(root);
        ParseElement(0);
        SkipMisc();
        if (pos_ != text_.size()) {
            Fail("content follows the root element");
        }
    }

private:
    struct Scope {
        std::map<std::string, const std::string*, std::less<>> prefixes;
        const std::string* defaultNs = nullptr;
    };
    struct RawAttribute {
        std::string_view name;  // points into the text
        std::string value;
    };

    [[noreturn]] void Fail(const std::string& what) const {
        std::size_t line = 1;
        for (std::size_t i = 0; i < pos_ && i < text_.size(); ++i) {
            line += text_[i] == '\n' ? 1 : 0;
        }
        throw PersistError("XML error at line " + std::to_string(line) + ": " + what);
    }

    const std::string* Intern(std::string_view uri) { return &*uris_.emplace(uri).first; }

    bool Peek(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
    bool Starts(std::string_view s) const { return text_.substr(pos_, s.size()) == s; }
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
    }

    void SkipPast(std::string_view end, const char* what) {
        const std::size_t found = text_.find(end, pos_);
        if (found == std::string_view::npos) {
            Fail(std::string("unterminated ") + what);
        }
        pos_ = found + end.size();
    }

    // Whitespace, comments and processing instructions between elements.
    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (Starts("<?")) {
                SkipPast("?>", "processing instruction");
            } else if (Starts("<!--")) {
                SkipPast("-->", "comment");
            } else if (Starts("<!")) {
                Fail("document type declarations are not accepted");
            } else {
                return;
            }
        }
    }

    std::string_view Name() {
        const std::size_t start = pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (IsSpace(c) || c == '=' || c == '>' || c == '/' || c == '<' || c == '&' || c == '"' || c == '\'') {
                break;
            }
            ++pos_;
        }
        if (pos_ == start) {
            Fail("a name is missing");
        }
        return text_.substr(start, pos_ - start);
    }

    void AppendReference(std::string& out) {
        const std::size_t end = text_.find(';', pos_);
        if (end == std::string_view::npos || end - pos_ > 12) {
            Fail("a malformed entity reference");
        }
        const std::string_view name = text_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = end + 1;
        if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "amp") {
            out += '&';
        } else if (name == "apos") {
            out += '\'';
        } else if (name == "quot") {
            out += '"';
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty()) {
                Fail("a malformed character reference");
            }
            std::uint32_t cp = 0;
            for (const char c : digits) {
                int d = -1;
                if (c >= '0' && c <= '9') {
                    d = c - '0';
                } else if (hex && c >= 'a' && c <= 'f') {
                    d = c - 'a' + 10;
                } else if (hex && c >= 'A' && c <= 'F') {
                    d = c - 'A' + 10;
                }
                if (d < 0) {
                    Fail("a malformed character reference");
                }
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
                if (cp > 0x10FFFF) {
                    Fail("a character reference out of range");
                }
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) {
                Fail("a character reference out of range");
            }
            text::AppendUtf8(out, cp);
        } else {
            Fail("the unknown entity '" + Excerpt(name) + "'");
        }
    }

    std::string AttributeValue() {
        if (!Peek('"') && !Peek('\'')) {
            Fail("an attribute value must be quoted");
        }
        const char quote = text_[pos_++];
        std::string value;
        for (;;) {
            std::size_t stop = pos_;
            for (;;) {
                while (stop < text_.size() && !kMayEndValue[static_cast<unsigned char>(text_[stop])]) {
                    ++stop;
                }
                if (stop == text_.size() || text_[stop] == quote || text_[stop] == '<' || text_[stop] == '&') {
                    break;
                }
                ++stop;  // the other quote, plain text here
            }
            if (stop == text_.size()) {
                Fail("an unterminated attribute value");
            }
            value.append(text_.substr(pos_, stop - pos_));
            pos_ = stop;
            if (text_[pos_] == quote) {
                ++pos_;
                return value;
            }
            if (text_[pos_] == '<') {
                Fail("'<' inside an attribute value");
            }
            AppendReference(value);
        }
    }

    const std::string* Resolve(std::string_view prefix, bool element) const {
        const Scope& scope = scopes_.back();
        if (prefix.empty()) {
            return element && scope.defaultNs ? scope.defaultNs : empty_;
        }
        const auto found = scope.prefixes.find(prefix);
        if (found == scope.prefixes.end()) {
            Fail("the undeclared prefix '" + Excerpt(prefix) + "'");
        }
        return found->second;
    }

    // The first key that two of the items share, if any. Pairwise for the few attributes of a usual tag; sorted
    // beyond that, so that a damaged tag with hundreds of thousands of attributes costs n log n, not n squared.
    template <typename Item, typename KeyOf>
    static auto Repeated(const std::vector<Item>& items, KeyOf keyOf) -> std::optional<decltype(keyOf(items[0]))> {
        constexpr std::size_t kPairwiseLimit = 16;
        if (items.size() <= kPairwiseLimit) {
            for (std::size_t i = 0; i < items.size(); ++i) {
                for (std::size_t j = 0; j < i; ++j) {
                    if (keyOf(items[i]) == keyOf(items[j])) {
                        return keyOf(items[i]);
                    }
                }
            }
            return std::nullopt;
        }
        std::vector<decltype(keyOf(items[0]))> keys;
        keys.reserve(items.size());
        for (const Item& item : items) {
            keys.push_back(keyOf(item));
        }
        std::sort(keys.begin(), keys.end());
        const auto at = std::adjacent_find(keys.begin(), keys.end());
        if (at == keys.end()) {
            return std::nullopt;
        }
        return *at;
    }

    static bool IsDeclaration(std::string_view name) { return name == "xmlns" || name.starts_with("xmlns:"); }

    static std::pair<std::string_view, std::string_view> Split(std::string_view qname) {
        const std::size_t colon = qname.find(':');
        if (colon == std::string_view::npos) {
            return {{}, qname};
        }
        return {qname.substr(0, colon), qname.substr(colon + 1)};
    }

    void ParseElement(int depth) {
        if (depth > kMaxDepth) {
            Fail("elements are nested too deeply");
        }
        ++pos_;  // '<'
        const std::string_view qname = Name();
        raw_.clear();
        std::optional<Scope> scope;  // only an element that declares namespaces opens a scope of its own
        for (;;) {
            const std::size_t before = pos_;
            SkipSpace();
            if (Peek('/') || Peek('>')) {
                break;
            }
            if (pos_ == before) {
                Fail("attributes must be separated by white space");
            }
            RawAttribute attribute;
            attribute.name = Name();
            SkipSpace();
            if (!Peek('=')) {
                Fail("'=' is missing after '" + Excerpt(attribute.name) + "'");
            }
            ++pos_;
            SkipSpace();
            attribute.value = AttributeValue();
            const bool declares = IsDeclaration(attribute.name);
            if (declares && !scope) {
                scope = scopes_.back();
            }
            if (attribute.name == "xmlns") {
                scope->defaultNs = attribute.value.empty() ? nullptr : Intern(attribute.value);
            } else if (declares) {
                if (attribute.value.empty()) {
                    Fail("a prefix cannot be bound to no namespace");
                }
                scope->prefixes[std::string(attribute.name.substr(6))] = Intern(attribute.value);
            }
            raw_.push_back(std::move(attribute));
        }
        if (const auto repeated = Repeated(raw_, [](const RawAttribute& a) { return a.name; })) {
            Fail("the attribute '" + Excerpt(*repeated) + "' is repeated");
        }
        if (scope) {
            scopes_.push_back(std::move(*scope));
        }
        const bool ownScope = scope.has_value();
        XmlElement element;
        const auto [prefix, local] = Split(qname);
        element.ns = Resolve(prefix, true);
        element.local = std::string(local);
        element.attributes.reserve(raw_.size());
        for (RawAttribute& attribute : raw_) {
            if (IsDeclaration(attribute.name)) {
                continue;
            }
            const auto [aprefix, alocal] = Split(attribute.name);
            XmlAttribute resolved;
            resolved.ns = Resolve(aprefix, false);
            resolved.local = std::string(alocal);
            resolved.value = std::move(attribute.value);
            element.attributes.push_back(std::move(resolved));
        }
        // Two prefixes may name one namespace, so names that differ may still be one attribute.
        if (Repeated(element.attributes,
                     [](const XmlAttribute& a) { return std::pair(a.ns, std::string_view(a.local)); })) {
            Fail("an attribute is repeated");
        }
        events_->StartElement(std::move(element));
        if (Peek('/')) {
            ++pos_;
            if (!Peek('>')) {
                Fail("'>' is missing");
            }
            ++pos_;
        } else {
            ++pos_;  // '>'
            ParseContent(qname, depth);
        }
        if (ownScope) {
            scopes_.pop_back();
        }
        events_->EndElement();
    }

    void ParseContent(std::string_view qname, int depth) {
        for (;;) {
            std::size_t next = pos_;
            while (next < text_.size() && text_[next] != '<' && text_[next] != '&') {
                ++next;
            }
            if (next == text_.size()) {
                Fail("the element '" + Excerpt(qname) + "' is not closed");
            }
            pos_ = next;
            if (Peek('&')) {
                std::string ignored;
                AppendReference(ignored);
            } else if (Starts("</")) {
                pos_ += 2;
                if (Name() != qname) {
                    Fail("the element '" + Excerpt(qname) + "' is closed by another name");
                }
                SkipSpace();
                if (!Peek('>')) {
                    Fail("'>' is missing");
                }
                ++pos_;
                return;
            } else if (Starts("<!--")) {
                SkipPast("-->", "comment");
            } else if (Starts("<![CDATA[")) {
                SkipPast("]]>", "CDATA section");
            } else if (Starts("<?")) {
                SkipPast("?>", "processing instruction");
            } else if (Starts("<!")) {
                Fail("a declaration inside an element");
            } else {
                ParseElement(depth + 1);
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::set<std::string>& uris_;
    const std::string* empty_ = nullptr;
    std::vector<Scope> scopes_;
    // The start tag being read. Kept from element to element so that its storage is reused; its values move
    // on into the element before any child is read.
    std::vector<RawAttribute> raw_;
    XmlEvents* events_ = nullptr;
};

namespace {

std::string_view Decode(std::string_view bytes, std::string& converted) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        converted = ConvertText([&] { return text::Utf16LeToUtf8(bytes.substr(2)); });
        return converted;
    }
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
        converted = ConvertText([&] { return text::Utf16BeToUtf8(bytes.substr(2)); });
        return converted;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return bytes.substr(3);
    }
    return bytes;
}

}  // namespace

void TreeBuilder::StartElement(XmlElement element) {
    if (open_.empty()) {
        root_ = std::move(element);
        open_.push_back(&root_);
    } else {
        open_.back()->children.push_back(std::move(element));
        open_.push_back(&open_.back()->children.back());
    }
}

void XmlDocument::Stream(std::string_view bytes, std::set<std::string>& uris, XmlEvents& events) {
    std::string converted;
    const std::string_view text = Decode(bytes, converted);
    ConvertText([&] { return text::Utf16Length(text); });  // rejects malformed UTF-8
    XmlParser(text, uris).ParseDocument(events);
}

XmlDocument XmlDocument::Parse(std::string_view bytes) {
    XmlDocument document;
    document.uris_ = std::make_unique<std::set<std::string>>();
    TreeBuilder builder;
    Stream(bytes, *document.uris_, builder);
    document.root_ = std::make_unique<XmlElement>(builder.Take());
    return document;
}

}  // namespace persist
