#include "ui/markup/markup.h"

#include <cstring>

namespace corvanta::markup {

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Decodes the entity at s[i] == '&'. On success appends its character (UTF-8)
// and returns the length consumed; 0 when it is no entity we know (the '&' is
// then text).
size_t DecodeEntity(std::string_view s, size_t i, std::string& out) {
  constexpr size_t kMaxEntity = 10;  // bounded look-ahead keeps parsing linear
  size_t end = i + 1;
  while (end < s.size() && end - i <= kMaxEntity && s[end] != ';') ++end;
  if (end >= s.size() || s[end] != ';') return 0;
  std::string_view name = s.substr(i + 1, end - i - 1);
  if (name.empty()) return 0;
  unsigned c = 0;
  if (name[0] == '#') {
    unsigned value = 0;
    bool hex = name.size() > 1 && Lower(name[1]) == 'x';
    size_t p = hex ? 2 : 1;
    if (p >= name.size()) return 0;
    for (; p < name.size(); ++p) {
      int d = hex ? HexValue(name[p]) : (IsDigit(name[p]) ? name[p] - '0' : -1);
      if (d < 0) return 0;
      value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
      if (value > 255) return 0;  // numbers name Latin-1 characters only
    }
    if (value == 0) return 0;
    c = value;
  } else if (EqualsNoCase(name, "lt")) {
    c = '<';
  } else if (EqualsNoCase(name, "gt")) {
    c = '>';
  } else if (EqualsNoCase(name, "amp")) {
    c = '&';
  } else if (EqualsNoCase(name, "quot")) {
    c = '"';
  } else if (EqualsNoCase(name, "apos")) {
    c = '\'';
  } else if (EqualsNoCase(name, "nbsp")) {
    c = ' ';
  } else {
    return 0;
  }
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  return end - i + 1;
}

std::string DecodeAttribute(std::string_view v) {
  std::string out;
  out.reserve(v.size());
  for (size_t i = 0; i < v.size();) {
    if (v[i] == '&') {
      size_t n = DecodeEntity(v, i, out);
      if (n > 0) {
        i += n;
        continue;
      }
    }
    out.push_back(v[i++]);
  }
  return out;
}

bool ParseColor(std::string_view v, uint32_t& rgb) {
  if (!v.empty() && v[0] == '#') v.remove_prefix(1);
  if (v.size() == 6 || v.size() == 3) {
    uint32_t value = 0;
    for (char c : v) {
      int d = HexValue(c);
      if (d < 0) return false;
      value = value * 16 + static_cast<uint32_t>(d);
    }
    if (v.size() == 3) {  // #RGB stands for #RRGGBB
      uint32_t r = (value >> 8) & 0xF, g = (value >> 4) & 0xF, b = value & 0xF;
      value = (r * 17) << 16 | (g * 17) << 8 | (b * 17);
    }
    rgb = value;
    return true;
  }
  static const struct {
    const char* name;
    uint32_t rgb;
  } kNames[] = {{"black", 0x000000}, {"white", 0xFFFFFF}, {"red", 0xFF0000},    {"green", 0x008000},
                {"blue", 0x0000FF},  {"navy", 0x000080},  {"maroon", 0x800000}, {"gray", 0x808080},
                {"grey", 0x808080},  {"silver", 0xC0C0C0}};
  for (const auto& n : kNames) {
    if (EqualsNoCase(v, n.name)) {
      rgb = n.rgb;
      return true;
    }
  }
  return false;
}

struct Attribute {
  std::string name;  // lower case
  std::string value;
};

// Tag body = the bytes between "<" and ">".
void ParseTagBody(std::string_view body, bool& closing, std::string& name,
                  std::vector<Attribute>& attrs) {
  size_t i = 0;
  closing = false;
  if (i < body.size() && body[i] == '/') {
    closing = true;
    ++i;
  }
  while (i < body.size() && (IsAlpha(body[i]) || IsDigit(body[i])))
    name.push_back(Lower(body[i++]));
  while (i < body.size()) {
    while (i < body.size() && (IsSpace(body[i]) || body[i] == '/')) ++i;
    if (i >= body.size()) break;
    Attribute a;
    while (i < body.size() && !IsSpace(body[i]) && body[i] != '=' && body[i] != '/')
      a.name.push_back(Lower(body[i++]));
    while (i < body.size() && IsSpace(body[i])) ++i;
    if (i < body.size() && body[i] == '=') {
      ++i;
      while (i < body.size() && IsSpace(body[i])) ++i;
      size_t start = i;
      if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
        char q = body[i++];
        start = i;
        while (i < body.size() && body[i] != q) ++i;
        a.value = DecodeAttribute(body.substr(start, i - start));
        if (i < body.size()) ++i;  // closing quote; an unterminated one ends with the tag
      } else {
        while (i < body.size() && !IsSpace(body[i])) ++i;
        a.value = DecodeAttribute(body.substr(start, i - start));
      }
    } else if (a.name.empty()) {
      ++i;  // a stray '=' or similar: skip it so the loop always advances
      continue;
    }
    if (!a.name.empty()) attrs.push_back(std::move(a));
  }
}

const std::string* FindAttr(const std::vector<Attribute>& attrs, const char* name) {
  for (const auto& a : attrs)
    if (a.name == name) return &a.value;
  return nullptr;
}

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  ParsedMarkup ParseAll() {
    std::string pending;  // decoded text not yet emitted
    size_t i = 0;
    while (i < s_.size()) {
      char c = s_[i];
      if (c == '<') {
        size_t gt = TagEnd(i);
        if (gt != std::string_view::npos) {
          Emit(pending);
          pending.clear();
          Tag(i, gt);
          i = gt + 1;
          continue;
        }
        pending.push_back('<');
        ++i;
      } else if (c == '&') {
        size_t n = DecodeEntity(s_, i, pending);
        if (n == 0) {
          pending.push_back('&');
          n = 1;
        }
        i += n;
      } else {
        pending.push_back(c);
        ++i;
      }
    }
    Emit(pending);
    CloseAnchor(s_.size(), false);
    return std::move(out_);
  }

 private:
  // Position of the ">" that ends a tag starting at s_[i] == '<', or npos when
  // the "<" is text. The next-">" position is cached: positions only grow,
  // so the whole parse scans the input once.
  size_t TagEnd(size_t i) {
    if (i + 1 >= s_.size()) return std::string_view::npos;
    char c = s_[i + 1];
    bool tagStart =
        IsAlpha(c) || c == '!' || c == '?' || (c == '/' && i + 2 < s_.size() && IsAlpha(s_[i + 2]));
    if (!tagStart) return std::string_view::npos;
    if (!noMoreGt_ && (gt_ == std::string_view::npos || gt_ <= i)) {
      gt_ = s_.find('>', i + 1);
      if (gt_ == std::string_view::npos) noMoreGt_ = true;
    }
    return noMoreGt_ ? std::string_view::npos : gt_;
  }

  void Tag(size_t lt, size_t gt) {
    bool closing = false;
    std::string name;
    std::vector<Attribute> attrs;
    ParseTagBody(s_.substr(lt + 1, gt - lt - 1), closing, name, attrs);
    if (name == "b" || name == "strong") {
      if (!closing) {
        ++bold_;
      } else if (bold_ > 0) {
        --bold_;
      }
    } else if (name == "font") {
      if (!closing) {
        Colour c = colours_.empty() ? Colour{} : colours_.back();
        if (const std::string* v = FindAttr(attrs, "color")) {
          uint32_t rgb = 0;
          if (ParseColor(*v, rgb)) c = Colour{true, rgb};
        }
        colours_.push_back(c);
      } else if (!colours_.empty()) {
        colours_.pop_back();
      }
    } else if (name == "br") {
      Break();
    } else if (name == "p") {
      SoftBreak();
      centred_ = false;
      if (!closing) {
        const std::string* align = FindAttr(attrs, "align");
        centred_ = align && (EqualsNoCase(*align, "center") || EqualsNoCase(*align, "centre"));
      }
    } else if (name == "a") {
      CloseAnchor(lt, closing);
      if (!closing) {
        Anchor a;
        if (const std::string* v = FindAttr(attrs, "href")) a.href = *v;
        if (const std::string* v = FindAttr(attrs, "class")) a.cls = *v;
        if (const std::string* v = FindAttr(attrs, "props")) a.props = *v;
        a.isParam = EqualsNoCase(a.cls, "LIST");
        if (a.isParam) {
          a.param = static_cast<int>(out_.params.size());
          out_.params.push_back(static_cast<int>(out_.anchors.size()));
        }
        a.contentBegin = a.contentEnd = gt + 1;
        anchor_ = static_cast<int>(out_.anchors.size());
        out_.anchors.push_back(std::move(a));
      }
    }
    // Anything else is a tag we do not know: ignored.
  }

  void CloseAnchor(size_t at, bool byOwnTag) {
    if (anchor_ < 0) return;
    Anchor& a = out_.anchors[static_cast<size_t>(anchor_)];
    a.contentEnd = at;
    a.closed = byOwnTag;
    if (a.isParam && a.text.empty()) {
      std::string q = "?";
      Emit(q, true);
    }
    anchor_ = -1;
  }

  void Emit(std::string& text, bool placeholder = false) {
    if (text.empty()) return;
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    Colour colour = colours_.empty() ? Colour{} : colours_.back();
    const Anchor* a = anchor_ >= 0 ? &out_.anchors[static_cast<size_t>(anchor_)] : nullptr;
    int param = a ? a->param : -1;
    if (a && !placeholder) out_.anchors[static_cast<size_t>(anchor_)].text += text;
    lineHasContent_ = true;
    if (!out_.runs.empty()) {
      markup::Run& last = out_.runs.back();
      if (last.kind == RunKind::Text && last.bold == (bold_ > 0) && last.hasColor == colour.set &&
          last.color == colour.rgb && last.centred == centred_ && last.anchor == anchor_ &&
          last.param == param && !last.placeholder && !placeholder) {
        last.text += text;
        return;
      }
    }
    markup::Run r;
    r.text = text;
    r.bold = bold_ > 0;
    r.hasColor = colour.set;
    r.color = colour.rgb;
    r.centred = centred_;
    r.anchor = anchor_;
    r.param = param;
    r.placeholder = placeholder;
    out_.runs.push_back(std::move(r));
  }

  void Break() {
    markup::Run r;
    r.kind = RunKind::Break;
    r.centred = centred_;
    out_.runs.push_back(std::move(r));
    lineHasContent_ = false;
  }

  // A paragraph starts and ends on a line of its own.
  void SoftBreak() {
    if (lineHasContent_) Break();
  }

  struct Colour {
    bool set = false;
    uint32_t rgb = 0;
  };

  std::string_view s_;
  ParsedMarkup out_;
  size_t gt_ = std::string_view::npos;
  bool noMoreGt_ = false;
  int bold_ = 0;
  std::vector<Colour> colours_;
  bool centred_ = false;
  int anchor_ = -1;
  bool lineHasContent_ = false;
};

}  // namespace

ParsedMarkup Parse(std::string_view markup) {
  return Parser(markup).ParseAll();
}

std::vector<std::string> SplitChoices(std::string_view props) {
  std::vector<std::string> out;
  if (props.empty()) return out;
  size_t start = 0;
  for (;;) {
    size_t bar = props.find('|', start);
    out.emplace_back(props.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return out;
}

std::vector<ParamInfo> ListParams(std::string_view markup) {
  return ListParams(Parse(markup));
}

std::vector<ParamInfo> ListParams(const ParsedMarkup& p) {
  std::vector<ParamInfo> out;
  out.reserve(p.params.size());
  for (int idx : p.params) {
    const Anchor& a = p.anchors[static_cast<size_t>(idx)];
    out.push_back(ParamInfo{a.href, a.text, SplitChoices(a.props)});
  }
  return out;
}

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string ReplaceParamText(std::string_view markup, int k, std::string_view newText) {
  ParsedMarkup p = Parse(markup);
  if (k < 0 || static_cast<size_t>(k) >= p.params.size()) return std::string(markup);
  const Anchor& a = p.anchors[static_cast<size_t>(p.params[static_cast<size_t>(k)])];
  std::string out;
  out.reserve(markup.size() + newText.size());
  out.append(markup.substr(0, a.contentBegin));
  out += EscapeText(newText);
  out.append(markup.substr(a.contentEnd));
  return out;
}

std::string PlainText(const ParsedMarkup& parsed) {
  std::string out;
  bool trailingBreak = false;
  for (const Run& r : parsed.runs) {
    if (r.kind == RunKind::Break) {
      out.push_back('\n');
      trailingBreak = true;
    } else {
      out += r.text;
      trailingBreak = false;
    }
  }
  // A break that ends the item opens no line of its own.
  if (trailingBreak) out.pop_back();
  return out;
}

}  // namespace corvanta::markup
