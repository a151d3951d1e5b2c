// The small markup language of the result list: FONT color, B, br,
// p align="center" and the anchor a with href, class and props. Tag and
// attribute names are case-insensitive; unknown tags are ignored; the entities
// &lt; &gt; &amp; &quot; (and a few more) are decoded. Any input parses, in
// time linear in its length: malformed markup degrades to text, never fails.
//
// A tag ends at the first ">" after its "<", so an attribute value cannot
// hold a ">" (write &gt;). A "<" not followed by a letter, "/" or "!" is text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvanta::markup {

enum class RunKind {
  Text,   // a piece of text drawn in one style
  Break,  // a line break (<br>, or the start or end of a paragraph)
};

struct Run {
  RunKind kind = RunKind::Text;
  std::string text;  // decoded; control characters shown as spaces
  bool bold = false;
  bool hasColor = false;
  uint32_t color = 0;        // 0xRRGGBB, valid when hasColor
  bool centred = false;      // inside <p align="center">
  int anchor = -1;           // index into ParsedMarkup::anchors, -1 outside anchors
  int param = -1;            // parameter number of the item, -1 when not a parameter
  bool placeholder = false;  // the "?" shown for an empty parameter
};

struct Anchor {
  std::string href, cls, props;  // attribute values, decoded
  bool isParam = false;          // class "LIST" (any case)
  int param = -1;                // parameter number when isParam
  std::string text;              // decoded text between the tags
  // Byte range of the anchor's content in the markup: from just after the
  // opening tag to the closing tag (or to where the anchor was implicitly
  // closed: the next anchor or the end of the input).
  size_t contentBegin = 0;
  size_t contentEnd = 0;
  bool closed = false;  // ended by its own </a>
};

struct ParsedMarkup {
  std::vector<Run> runs;
  std::vector<Anchor> anchors;
  std::vector<int> params;  // anchor index of parameter k
};

// A parameter of an item: a "LIST" anchor.
struct ParamInfo {
  std::string href;
  std::string text;                  // current choice, "" when empty
  std::vector<std::string> choices;  // props split at "|"
};

ParsedMarkup Parse(std::string_view markup);

std::vector<ParamInfo> ListParams(std::string_view markup);
std::vector<ParamInfo> ListParams(const ParsedMarkup& parsed);

// The markup with parameter k's content replaced by newText (escaped, so it
// shows as given); every other byte is kept. Unchanged when k does not exist.
std::string ReplaceParamText(std::string_view markup, int k, std::string_view newText);

// Escapes "<", ">", "&" and the double quote so text shows exactly as given.
std::string EscapeText(std::string_view text);

// props split at "|"; an empty props gives no choices.
std::vector<std::string> SplitChoices(std::string_view props);

// The text a reader sees: lines joined with "\n", an empty parameter as "?".
std::string PlainText(const ParsedMarkup& parsed);
inline std::string PlainText(std::string_view markup) {
  return PlainText(Parse(markup));
}

}  // namespace corvanta::markup
