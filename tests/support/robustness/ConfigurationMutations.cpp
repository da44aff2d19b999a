#include "ConfigurationMutations.h"

#include <algorithm>
#include <iterator>
#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_print.hpp>

#include "TestFiles.h"

namespace lumen::robustness {
namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

const std::vector<std::string> kElementNames = {
    "Config", "Highlight",  "FileSizeLimit", "LineNumbering", "LineWrapping", "Tabulator", "SearchSync", "Styles",
    "Style",  "WordStyles", "WordStyle",     "Keywords",      "styles",       "WORDSTYLE", "Other",
    "DarkStyles", "ColorScheme"};
const std::vector<std::string> kAttributeNames = {
    "Foreground", "ForegroundAlpha", "OutlineAlpha", "Enabled",   "Width",   "ext",     "lexer", "name", "bgColor",
    "fgColor",    "fontName",        "fontSize",     "fontStyle", "eolFill", "styleID", "id",    "EXT",  "styleid",
    "names",      "aliases",         "NAMES",        "Mode",      "highlightColor", "caretLineColor",
    "caretColor", "selectionColor"};
const std::vector<std::string> kRootNames = {"config", "Configuration", "X", "Styles", "Konfigürätion", "Config2"};

std::string LongText(Random& random) {
  static const std::vector<std::string> pieces = {"9", "F", "x", "c ", ".cpp ", "ä", "-1", " "};
  const std::string& piece = random.Pick(pieces);
  std::string text;
  const size_t length = 1000 + random.Below(100000);
  while (text.size() < length) text += piece;
  return text;
}

// Text that a reader of numbers, colours, flags and names must survive.
std::string HostileValue(Random& random) {
  static const std::vector<std::vector<std::string>> families = {
      {""},
      {"-1", "-2", "-255", "-2147483648", "-2147483649", "-4294967296", "-9223372036854775808", "-99999999999999999999",
       "-0x10"},
      {"2147483647", "2147483648", "4294967295", "4294967296", "9223372036854775807", "18446744073709551615",
       "18446744073709551616", "99999999999999999999999"},
      {"123456789", "FFFFFFFFF", "fffffffff", "0x123456789", "0XFFFFFFFFF", "100000000"},
      {"abc", "XYZ", "yes", "YES", "no", "true", "GG", "zz top", "0xZZ", "-", "+", "0x"},
      {"äöü", "日本語", "\xF0\x9F\x98\x80", "Ω", "ıi", "ß", "c\xC3\xA4"},
      {" 12 ", "\t7", "+5", " ", "\n", "0", "00000000000000000000000001", "1e3", "0.5"},
      {"<&>\"'", "]]>", "&amp;", "%s%n%x", "\\"},
  };
  const size_t family = random.Below(families.size() + 1);
  if (family == families.size()) return LongText(random);
  return random.Pick(families[family]);
}

class MutableDocument {
 public:
  explicit MutableDocument(const std::string& text) : source_(text) {
    source_.push_back('\0');
    tree_.parse<0>(source_.data());
  }

  std::string Print() const {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    rapidxml::print(std::back_inserter(text), tree_, 0);
    return text;
  }

  // Applies one random change and says which.
  std::string Mutate(Random& random) {
    Node* root = tree_.first_node();
    if (!root) return "nothing to change";
    Node* element = PickElement(random, root);
    // Mostly values replaced: that is where readers of numbers and text break.
    switch (random.Below(16)) {
      case 0:
        if (element == root) break;
        element->parent()->remove_node(element);
        return "dropped " + Name(element);
      case 1:
        if (element == root) break;
        element->parent()->insert_node(element->next_sibling(), tree_.clone_node(element));
        return "duplicated " + Name(element);
      case 2:
        Shuffle(random, element);
        return "reordered the children of " + Name(element);
      case 3:
        if (element == root) break;
        Rename(element, random.Pick(kElementNames));
        return "renamed an element to " + Name(element);
      case 4:
        Rename(root, random.Pick(kRootNames));
        return "renamed the root to " + Name(root);
      case 5:
        SetText(element, HostileValue(random));
        return "replaced the text of " + Name(element);
      default:
        break;
    }
    return MutateAttribute(random, element);
  }

 private:
  static std::string Name(const Node* node) { return std::string(node->name(), node->name_size()); }

  const char* Keep(const std::string& text) { return tree_.allocate_string(text.c_str(), text.size() + 1); }

  void Rename(Node* node, const std::string& name) { node->name(Keep(name), name.size()); }

  // A third of the time one of the root's own children: the single settings
  // would rarely be hit among the hundreds of word styles otherwise.
  Node* PickElement(Random& random, Node* root) {
    std::vector<Node*> elements;
    if (random.Percent(35)) {
      for (Node* child = root->first_node(); child; child = child->next_sibling()) elements.push_back(child);
    } else {
      Collect(root, elements);
    }
    return elements.empty() ? root : random.Pick(elements);
  }

  static void Collect(Node* node, std::vector<Node*>& elements) {
    for (Node* child = node->first_node(); child; child = child->next_sibling()) {
      if (child->type() != rapidxml::node_element) continue;
      elements.push_back(child);
      Collect(child, elements);
    }
  }

  static void Shuffle(Random& random, Node* element) {
    std::vector<Node*> children;
    for (Node* child = element->first_node(); child; child = child->next_sibling()) children.push_back(child);
    element->remove_all_nodes();
    for (size_t i = children.size(); i > 1; --i) std::swap(children[i - 1], children[random.Below(i)]);
    for (Node* child : children) element->append_node(child);
  }

  void SetText(Node* element, const std::string& text) {
    for (Node* child = element->first_node(); child; child = child->next_sibling()) {
      if (child->type() == rapidxml::node_data) {
        child->value(Keep(text), text.size());
        return;
      }
    }
    element->append_node(tree_.allocate_node(rapidxml::node_data, nullptr, Keep(text), 0, text.size()));
  }

  std::string MutateAttribute(Random& random, Node* element) {
    std::vector<Attribute*> attributes;
    for (Attribute* a = element->first_attribute(); a; a = a->next_attribute()) attributes.push_back(a);
    if (attributes.empty()) {
      const std::string name = random.Pick(kAttributeNames);
      const std::string value = HostileValue(random);
      element->append_attribute(tree_.allocate_attribute(Keep(name), Keep(value), name.size(), value.size()));
      return "added " + name + " to " + Name(element);
    }
    Attribute* attribute = random.Pick(attributes);
    const std::string name(attribute->name(), attribute->name_size());
    const std::string where = Name(element) + "@" + name;
    switch (random.Below(10)) {
      case 0:
        element->remove_attribute(attribute);
        return "dropped " + where;
      case 1: {
        const std::string value =
            random.Percent(50) ? std::string(attribute->value(), attribute->value_size()) : HostileValue(random);
        element->insert_attribute(attribute->next_attribute(),
                                  tree_.allocate_attribute(Keep(name), Keep(value), name.size(), value.size()));
        return "duplicated " + where;
      }
      case 2:
        element->remove_all_attributes();
        for (size_t i = attributes.size(); i > 1; --i) std::swap(attributes[i - 1], attributes[random.Below(i)]);
        for (Attribute* a : attributes) element->append_attribute(a);
        return "reordered the attributes of " + Name(element);
      case 3: {
        const std::string renamed = random.Pick(kAttributeNames);
        attribute->name(Keep(renamed), renamed.size());
        return "renamed " + where + " to " + renamed;
      }
      default: {
        const std::string value = HostileValue(random);
        attribute->value(Keep(value), value.size());
        return "replaced " + where + " by " +
               (value.size() > 40 ? std::to_string(value.size()) + " characters" : "\"" + value + "\"");
      }
    }
  }

  std::string source_;  // parsed in place: the tree points into it
  rapidxml::xml_document<char> tree_;
};

}  // namespace

ConfigurationSample MutateConfiguration(const std::string& base, Random& random) {
  MutableDocument document(base);
  ConfigurationSample sample;
  const size_t changes = 1 + random.Below(4);
  for (size_t i = 0; i < changes; ++i) sample.description += (i ? "; " : "") + document.Mutate(random);
  std::string text = document.Print();
  switch (random.Below(16)) {
    case 0:
      text.resize(random.Below(text.size()));
      sample.description += "; truncated to " + std::to_string(text.size()) + " bytes";
      break;
    case 1:
      text = random.Percent(50) ? random.Bytes(random.Length(4096)) : std::string("just some text, no XML\n");
      sample.description = "not XML (" + std::to_string(text.size()) + " bytes)";
      break;
    case 2:
      sample.description = "no configuration file";
      return sample;
    case 3:
      sample.locked = true;
      sample.description += "; locked against reading";
      break;
    case 4:
      text = "\xEF\xBB\xBF" + text;
      sample.description += "; with a byte order mark";
      break;
    default:
      break;
  }
  sample.bytes = std::move(text);
  return sample;
}

std::vector<std::wstring> ExtensionCandidates(const std::string& bytes) {
  std::vector<std::wstring> candidates;
  for (size_t at = bytes.find("ext=\""); at != std::string::npos; at = bytes.find("ext=\"", at + 1)) {
    const size_t start = at + 5;
    const size_t end = bytes.find('"', start);
    if (end == std::string::npos) break;
    std::string piece;
    for (size_t i = start; i <= end; ++i) {
      const char c = i < end ? bytes[i] : ' ';
      if (c == ' ' || c == '.' || c == '\t' || c == '\n') {
        if (!piece.empty() && piece.size() < 64) candidates.push_back(test::FromUtf8(piece));
        piece.clear();
      } else {
        piece += c;
      }
    }
  }
  return candidates;
}

LockedFile::LockedFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

LockedFile::~LockedFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

}  // namespace lumen::robustness
