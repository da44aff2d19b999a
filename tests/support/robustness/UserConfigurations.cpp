#include "UserConfigurations.h"

#include <cstdio>
#include <cstdlib>

namespace lumen::robustness {
namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

// As the host stand-in reads documents: comments are nodes, text stays in text nodes.
constexpr int kParseFlags =
    rapidxml::parse_comment_nodes | rapidxml::parse_no_element_values | rapidxml::parse_validate_closing_tags;

std::string Hex(Random& random, unsigned digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", static_cast<int>(digits),
                static_cast<unsigned>(random.Below(size_t{1} << (4 * digits))));
  return text;
}

std::string Comment(Random& random) {
  static const std::vector<std::string> texts = {" mine ", "", " keep: this - and that ", " \xC3\xA4 \xC3\xB6 ",
                                                 " <Highlight Foreground=\"000000\"/> "};
  return "<!--" + random.Pick(texts) + "-->";
}

std::string UnknownAttribute(Random& random) {
  static const std::vector<std::string> attributes = {" future=\"1\"", " note=\"mine\"", " glow=\"soft\""};
  return random.Pick(attributes);
}

std::string UnknownElement(Random& random) {
  static const std::vector<std::string> elements = {"<Minimap Enabled=\"yes\" width=\"80\"/>",
                                                    "<Future><Setting name=\"a\" value=\"1\"/></Future>",
                                                    "<Notes>kept as it is</Notes>"};
  return random.Pick(elements);
}

std::string WordStyleText(Random& random, int index, bool& oddBits, bool& emptySet) {
  static const std::vector<std::string> fonts = {"Consolas", "No Such Font", "Courier New"};
  static const std::vector<std::string> sizes = {"0", "8", "10", "13", "99"};
  std::string text = "<WordStyle name=\"S" + std::to_string(index) + "\" styleID=\"" + std::to_string(index) + "\"";
  if (random.Percent(70)) text += " fgColor=\"" + Hex(random, 6) + "\"";
  if (random.Percent(30)) text += " bgColor=\"" + Hex(random, 6) + "\"";
  if (random.Percent(30)) text += " fontName=\"" + random.Pick(fonts) + "\"";
  if (random.Percent(40)) text += " fontSize=\"" + random.Pick(sizes) + "\"";
  if (random.Percent(70)) {
    const size_t bits = random.Below(32);
    oddBits |= bits >= 8;
    text += " fontStyle=\"" + std::to_string(bits) + "\"";
  }
  if (random.Percent(20)) text += " eolFill=\"1\"";
  if (random.Percent(20)) text += UnknownAttribute(random);
  switch (random.Below(5)) {
    case 0:
      emptySet = true;
      return text + "><Keywords id=\"" + std::to_string(random.Below(9)) + "\"/></WordStyle>";
    case 1:
      return text + "><Keywords id=\"0\">int char</Keywords></WordStyle>";
    case 2:
      return text + "><Keywords id=\"2\">" + Comment(random) + "for while</Keywords></WordStyle>";
    default:
      return text + "/>";
  }
}

std::string StyleText(Random& random, int index, bool& oddBits, bool& emptySet) {
  static const std::vector<std::string> extensions = {"c h", "cpp hpp cxx", "py", "rs", "txt", "*", "js mjs"};
  std::string text = "<Style ext=\"" + random.Pick(extensions) + "\" lexer=\"" + std::to_string(1 + random.Below(100)) +
                     "\" name=\"L" + std::to_string(index) + "\"" + (random.Percent(25) ? UnknownAttribute(random) : "") +
                     ">";
  if (random.Percent(30)) text += Comment(random);
  if (random.Percent(80)) {
    text += "<WordStyles>";
    const int count = 1 + static_cast<int>(random.Below(4));
    for (int wordStyle = 0; wordStyle < count; ++wordStyle) {
      if (random.Percent(15)) text += Comment(random);
      text += WordStyleText(random, wordStyle, oddBits, emptySet);
    }
    text += "</WordStyles>";
    // A second list the loaders never reach.
    if (random.Percent(15)) text += "<WordStyles><WordStyle name=\"Unread\" styleID=\"9\" fontStyle=\"1\"/></WordStyles>";
  }
  if (random.Percent(20)) text += UnknownElement(random);
  return text + "</Style>";
}

std::string Name(const Node* node) { return std::string(node->name(), node->name_size()); }
std::string Name(const Attribute* attribute) { return std::string(attribute->name(), attribute->name_size()); }
std::string Value(const Node* node) { return std::string(node->value(), node->value_size()); }
std::string Value(const Attribute* attribute) { return std::string(attribute->value(), attribute->value_size()); }

std::string Label(const Node* node, int index) {
  const std::string kind = node->type() == rapidxml::node_element ? Name(node)
                           : node->type() == rapidxml::node_comment ? std::string("comment")
                                                                    : std::string("text");
  return kind + "[" + std::to_string(index) + "]";
}

}  // namespace

UserConfiguration MakeUserConfiguration(Random& random) {
  static const std::vector<std::string> flags = {"yes", "no", "YES", "No"};
  bool oddBits = false, emptySet = false;
  std::vector<std::string> parts;
  parts.push_back("<Highlight Foreground=\"" + Hex(random, 6) + "\" ForegroundAlpha=\"" + Hex(random, 2) +
                  "\" OutlineAlpha=\"" + Hex(random, 2) + "\"" + (random.Percent(30) ? UnknownAttribute(random) : "") +
                  "/>");
  const bool twoHighlights = random.Percent(20);
  if (twoHighlights) parts.push_back("<Highlight Foreground=\"000000\" ForegroundAlpha=\"00\" OutlineAlpha=\"00\"/>");
  parts.push_back("<FileSizeLimit>1048576" + (random.Percent(20) ? Comment(random) : std::string()) + "</FileSizeLimit>");
  int options = 0;
  for (const char* option : {"LineNumbering", "LineWrapping", "SearchSync"}) {
    if (random.Percent(75)) {
      parts.push_back(std::string("<") + option + " Enabled=\"" + random.Pick(flags) + "\"/>");
      ++options;
    }
  }
  if (random.Percent(60)) parts.push_back("<Tabulator Width=\"" + std::to_string(1 + random.Below(8)) + "\"/>");
  const size_t unknown = random.Below(3), comments = random.Below(4);
  for (size_t i = 0; i < unknown; ++i) parts.push_back(UnknownElement(random));
  for (size_t i = 0; i < comments; ++i) parts.push_back(Comment(random));
  const int languages = 1 + static_cast<int>(random.Below(4));
  std::string styles = "<Styles>";
  for (int language = 0; language < languages; ++language) {
    if (random.Percent(20)) styles += Comment(random);
    styles += StyleText(random, language, oddBits, emptySet);
  }
  parts.push_back(styles + "</Styles>");
  const bool twoStyles = random.Percent(25);
  if (twoStyles) parts.push_back("<Styles>" + StyleText(random, 9, oddBits, emptySet) + "</Styles>");
  // A dark set for some of the languages, matched by their names, and a mode.
  const bool dark = random.Percent(40);
  if (dark) {
    std::string set = "<DarkStyles" + (random.Percent(50) ? " caretLineColor=\"" + Hex(random, 6) + "\"" : "") + ">";
    for (int language = 0; language < languages; ++language) {
      if (!random.Percent(70)) continue;
      set += "<Style name=\"L" + std::to_string(language) + "\"><WordStyles>" +
             WordStyleText(random, 0, oddBits, emptySet) + "</WordStyles></Style>";
    }
    parts.push_back(set + "</DarkStyles>");
  }
  static const std::vector<std::string> modes = {"system", "light", "dark", "DARK", "sepia"};
  if (random.Percent(40)) parts.push_back("<ColorScheme Mode=\"" + random.Pick(modes) + "\"/>");
  for (size_t i = parts.size(); i > 1; --i) std::swap(parts[i - 1], parts[random.Below(i)]);

  UserConfiguration sample;
  sample.bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  if (random.Percent(50)) sample.bytes += Comment(random) + "\n";
  sample.bytes += std::string("<Config") + (random.Percent(30) ? " version=\"2\"" : "") + ">\n";
  for (const std::string& part : parts) sample.bytes += "  " + part + "\n";
  sample.bytes += "</Config>\n";
  sample.description = std::to_string(languages) + " languages, " + std::to_string(options) + " of 3 options, " +
                       std::to_string(unknown) + " unknown elements, " + std::to_string(comments) + " comments" +
                       (twoHighlights ? ", two Highlight" : "") + (twoStyles ? ", two Styles" : "") + (dark ? ", a dark set" : "") +
                       (oddBits ? ", fontStyle bits beyond 7" : "") + (emptySet ? ", empty keyword sets" : "");
  return sample;
}

struct AllowedChanges::Document {
  explicit Document(const std::string& bytes) : source(bytes) { tree.parse<kParseFlags>(source.data()); }
  std::string source;  // parsed in place: the tree points into it
  rapidxml::xml_document<char> tree;
};

AllowedChanges::AllowedChanges(const std::string& bytes) : before_(std::make_unique<Document>(bytes)) {}
AllowedChanges::~AllowedChanges() = default;

const AllowedChanges::Node* AllowedChanges::root() const {
  const Node* node = before_->tree.first_node();
  while (node && node->type() != rapidxml::node_element) node = node->next_sibling();
  return node;
}

const AllowedChanges::Node* AllowedChanges::Find(const std::vector<std::pair<const char*, int>>& steps) const {
  const Node* node = root();
  for (const auto& [name, index] : steps) {
    const Node* child = node ? node->first_node(name) : nullptr;
    for (int skip = 0; child && skip < index; ++skip) child = child->next_sibling(name);
    node = child;
  }
  return node;
}

void AllowedChanges::AllowAttribute(const Node* element, const std::string& name, int keptBits) {
  attributes_.emplace(std::pair(element, name), keptBits);
}
void AllowedChanges::AllowChild(const Node* parent, const std::string& name) { children_.emplace(parent, name); }

std::vector<std::string> AllowedChanges::Differences(const std::string& bytes) const {
  std::vector<std::string> found;
  try {
    const Document after(bytes);
    Compare(before_->tree, after.tree, "", found);
  } catch (const rapidxml::parse_error& error) {
    found.push_back(std::string("the file is no XML any more: ") + error.what());
  }
  return found;
}

void AllowedChanges::Compare(const Node& before, const Node& after, const std::string& path,
                             std::vector<std::string>& found) const {
  const Attribute* b = after.first_attribute();
  for (const Attribute* a = before.first_attribute(); a; a = a->next_attribute(), b = b ? b->next_attribute() : b) {
    if (!b || Name(b) != Name(a)) {
      found.push_back(path + "@" + Name(a) + " gone or moved");
      return;
    }
    if (Value(b) == Value(a)) continue;
    const auto allowed = attributes_.find({&before, Name(a)});
    const int kept = allowed == attributes_.end() ? 0 : allowed->second;
    if (allowed == attributes_.end() || (std::atoi(Value(a).c_str()) & kept) != (std::atoi(Value(b).c_str()) & kept)) {
      found.push_back(path + "@" + Name(a) + ": \"" + Value(a) + "\" became \"" + Value(b) + "\"");
    }
  }
  for (; b; b = b->next_attribute()) {
    if (!attributes_.count({&before, Name(b)})) found.push_back(path + "@" + Name(b) + " added");
  }
  const Node* y = after.first_node();
  int index = 0;
  for (const Node* x = before.first_node(); x; x = x->next_sibling(), y = y ? y->next_sibling() : y, ++index) {
    const std::string here = path + "/" + Label(x, index);
    if (!y || y->type() != x->type() || Name(y) != Name(x)) {
      found.push_back(here + " gone or replaced");
      return;
    }
    if (x->type() == rapidxml::node_element) {
      Compare(*x, *y, here, found);
    } else if (Value(y) != Value(x)) {
      found.push_back(here + ": \"" + Value(x) + "\" became \"" + Value(y) + "\"");
    }
  }
  for (; y; y = y->next_sibling(), ++index) {
    if (y->type() != rapidxml::node_element || !children_.count({&before, Name(y)})) {
      found.push_back(path + "/" + Label(y, index) + " added");
    }
  }
}

}  // namespace lumen::robustness
