#include "XmlDocuments.h"

#include <iterator>
#include <optional>
#include <stdexcept>
#include <vector>

#include <rapidxml/rapidxml_print.hpp>
#include "base/Handles.h"
#include <windows.h>

namespace lumen::standin {
namespace {

// Elements' text stays in their text children, where printing finds it;
// comments are nodes of their own, kept in place like those of a real document.
constexpr int kParseFlags =
    rapidxml::parse_no_element_values | rapidxml::parse_validate_closing_tags | rapidxml::parse_comment_nodes;
constexpr size_t kLargestFile = 256u << 20;
constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kNewRootName[] = "root";

UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  return UniqueHandle(CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const UniqueHandle file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) > kLargestFile) {
    return std::nullopt;
  }
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
    return std::nullopt;
  }
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  const UniqueHandle file = OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  DWORD written = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool IsUtf8(std::string_view bytes) {
  return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::wstring Utf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, text.data(), length);
  return text;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

// A UTF-8 copy of the text in the element's document, which owns it.
std::string_view KeepInDocument(const Element& element, std::wstring_view text) {
  rapidxml::xml_document<char>* document = element.document();
  if (!document) throw std::logic_error("element outside a document");
  const std::string bytes = Utf8(text);
  char* copy = document->allocate_string(nullptr, bytes.size() + 1);
  bytes.copy(copy, bytes.size());
  copy[bytes.size()] = '\0';
  return {copy, bytes.size()};
}

bool IsText(const Element& node) {
  return node.type() == rapidxml::node_data || node.type() == rapidxml::node_cdata;
}

bool HasText(const Element& element) {
  for (const Element* child = element.first_node(); child; child = child->next_sibling()) {
    if (IsText(*child)) return true;
  }
  return false;
}

// Indented like rapidxml's printer, except that an element holding text is
// printed exactly as it is: indenting its children would add white space to
// its text, more with every save.
void PrintNode(std::string& out, const Element& node, int depth) {
  out.append(static_cast<size_t>(depth), '\t');
  if (node.type() != rapidxml::node_element || !node.first_node() || HasText(node)) {
    rapidxml::print(std::back_inserter(out), node, rapidxml::print_no_indenting);
    out += '\n';
    return;
  }
  const std::string_view name(node.name(), node.name_size());
  out.append("<").append(name);
  rapidxml::internal::print_attributes(std::back_inserter(out), &node, 0);
  out += ">\n";
  for (const Element* child = node.first_node(); child; child = child->next_sibling()) {
    PrintNode(out, *child, depth + 1);
  }
  out.append(static_cast<size_t>(depth), '\t').append("</").append(name).append(">\n");
}

Element* ElementFrom(Element* node, const wchar_t* name) {
  const std::string wanted = name ? Utf8(name) : std::string();
  for (; node; node = node->next_sibling()) {
    if (node->type() != rapidxml::node_element) continue;
    if (!name || std::string_view(node->name(), node->name_size()) == wanted) return node;
  }
  return nullptr;
}

}  // namespace

struct XmlDocuments::Document {
  std::string source;  // parsed in place: the tree points into it
  rapidxml::xml_document<char> tree;
};

XmlDocuments::XmlDocuments() = default;
XmlDocuments::~XmlDocuments() = default;

Element* XmlDocuments::Load(const std::wstring& path) {
  auto document = std::make_unique<Document>();
  auto bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  document->source = bytes->starts_with(kUtf8Mark) ? bytes->substr(3) : std::move(*bytes);
  // rapidxml stops at a zero: text after one would silently be lost.
  if (!IsUtf8(document->source) || document->source.find('\0') != std::string::npos) return nullptr;
  try {
    document->tree.parse<kParseFlags>(document->source.data());
  } catch (const rapidxml::parse_error&) {
    return nullptr;
  }
  return Register(std::move(document));
}

Element* XmlDocuments::Create() {
  auto document = std::make_unique<Document>();
  document->tree.append_node(document->tree.allocate_node(rapidxml::node_element, kNewRootName));
  return Register(std::move(document));
}

Element* XmlDocuments::Register(std::unique_ptr<Document> document) {
  Element* root = FirstChildElement(document->tree, nullptr);
  if (root) open_.emplace(root, std::move(document));
  return root;
}

bool XmlDocuments::Save(const Element* root, const std::wstring& path) const {
  const auto found = open_.find(root);
  if (found == open_.end()) return false;
  std::string text = kDeclaration;
  for (const Element* node = found->second->tree.first_node(); node; node = node->next_sibling()) {
    PrintNode(text, *node, 0);
  }
  return WriteWholeFile(path, text);
}

bool XmlDocuments::Free(const Element* root) { return open_.erase(root) == 1; }

Element* FirstChildElement(const Element& parent, const wchar_t* name) { return ElementFrom(parent.first_node(), name); }

Element* NextSiblingElement(const Element& element, const wchar_t* name) {
  return ElementFrom(element.next_sibling(), name);
}

Element& AppendChildElement(Element& parent, std::wstring_view name) {
  const std::string_view kept = KeepInDocument(parent, name);
  Element* child = parent.document()->allocate_node(rapidxml::node_element, kept.data(), nullptr, kept.size());
  parent.append_node(child);
  return *child;
}

void Rename(Element& element, std::wstring_view name) {
  const std::string_view kept = KeepInDocument(element, name);
  element.name(kept.data(), kept.size());
}

std::wstring TextOf(const Element& element) {
  std::string text;
  for (const Element* child = element.first_node(); child; child = child->next_sibling()) {
    if (IsText(*child)) text.append(child->value(), child->value_size());
  }
  return Utf16(text);
}

// The new text takes the place of the first old piece; comments and child
// elements stay where they are.
void SetText(Element& element, std::wstring_view text) {
  Element* place = element.first_node();
  while (place && !IsText(*place)) place = place->next_sibling();
  if (!text.empty()) {
    const std::string_view kept = KeepInDocument(element, text);
    Element* data = element.document()->allocate_node(rapidxml::node_data, nullptr, kept.data(), 0, kept.size());
    if (place) {
      element.insert_node(place, data);
    } else {
      element.prepend_node(data);
    }
  }
  for (Element* child = place; child;) {
    Element* next = child->next_sibling();
    if (IsText(*child)) element.remove_node(child);
    child = next;
  }
}

Attribute* FindAttribute(const Element& element, std::wstring_view name) {
  const std::string wanted = Utf8(name);
  for (Attribute* attribute = element.first_attribute(); attribute; attribute = attribute->next_attribute()) {
    if (std::string_view(attribute->name(), attribute->name_size()) == wanted) return attribute;
  }
  return nullptr;
}

std::wstring ValueOf(const Attribute& attribute) { return Utf16({attribute.value(), attribute.value_size()}); }

void SetAttribute(Element& element, std::wstring_view name, std::wstring_view value) {
  const std::string_view keptValue = KeepInDocument(element, value);
  if (Attribute* existing = FindAttribute(element, name)) {
    existing->value(keptValue.data(), keptValue.size());
    return;
  }
  const std::string_view keptName = KeepInDocument(element, name);
  element.append_attribute(
      element.document()->allocate_attribute(keptName.data(), keptValue.data(), keptName.size(), keptValue.size()));
}

}  // namespace lumen::standin
