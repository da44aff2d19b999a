#pragma once
// The stand-in's XML documents over rapidxml. The host hands out element
// pointers as handles, and a document is known by its root element.
// Documents hold UTF-8: rapidxml classifies a character by its low byte, so
// wide documents misread text such as U+DE00 (the end of a surrogate pair) as
// the end of the input. Text crosses the interface as UTF-16.
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <rapidxml/rapidxml.hpp>

namespace lumen::standin {

using Element = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

class XmlDocuments {
 public:
  XmlDocuments();
  ~XmlDocuments();

  // Null when the file is missing, unreadable, locked or not XML with a root element.
  Element* Load(const std::wstring& path);
  // A new document holding one root element.
  Element* Create();
  // UTF-8 with an XML declaration; false when the root is no open document or writing fails.
  bool Save(const Element* root, const std::wstring& path) const;
  // False when the root is no open document.
  bool Free(const Element* root);
  int OpenCount() const { return static_cast<int>(open_.size()); }

 private:
  struct Document;
  Element* Register(std::unique_ptr<Document> document);

  std::map<const Element*, std::unique_ptr<Document>> open_;
};

// Child elements only (text, comments and other nodes are skipped); a null name matches any.
Element* FirstChildElement(const Element& parent, const wchar_t* name);
Element* NextSiblingElement(const Element& element, const wchar_t* name);
Element& AppendChildElement(Element& parent, std::wstring_view name);
void Rename(Element& element, std::wstring_view name);

// The element's own text: its text and CDATA children, in order (comments are no text).
std::wstring TextOf(const Element& element);
void SetText(Element& element, std::wstring_view text);

Attribute* FindAttribute(const Element& element, std::wstring_view name);
std::wstring ValueOf(const Attribute& attribute);
void SetAttribute(Element& element, std::wstring_view name, std::wstring_view value);

}  // namespace lumen::standin
