#include "ui/markup/layout.h"

#include <algorithm>

namespace corvanta::markup {

namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// n bytes from `from`, shortened to end on a whole UTF-8 character: a line
// never ends inside one.
size_t WholeChars(const std::string& text, size_t from, size_t n) {
  while (n > 0 && from + n < text.size() && IsContinuation(text[from + n])) --n;
  return n;
}

// The bytes of the character at `from`.
size_t FirstChar(const std::string& text, size_t from) {
  size_t n = 1;
  while (from + n < text.size() && IsContinuation(text[from + n])) ++n;
  return n;
}

// Largest n, on a character boundary, with measure(text[0, n)) <= room.
// Probes grow geometrically, so a line costs about its own length in measured
// characters, not the text's.
size_t FitPrefix(const std::string& text, size_t from, int room, bool bold,
                 const MeasureText& measure) {
  size_t len = text.size() - from;
  // Every probe measures whole characters, so the search stays monotonic.
  auto fits = [&](size_t n) {
    return measure(text.substr(from, WholeChars(text, from, n)), bold) <= room;
  };
  size_t good = 0;
  size_t probe = std::min<size_t>(len, 16);
  while (fits(probe)) {
    good = probe;
    if (probe == len) return len;
    probe = std::min(len, probe * 2);
  }
  size_t bad = probe;  // good < answer + 1 <= bad
  while (bad - good > 1) {
    size_t mid = good + (bad - good) / 2;
    if (fits(mid)) {
      good = mid;
    } else {
      bad = mid;
    }
  }
  return WholeChars(text, from, good);
}

class Layouter {
 public:
  Layouter(const ParsedMarkup& p, int width, const MeasureText& m, const LayoutOptions& o)
      : parsed_(p), measure_(m), opt_(o) {
    avail_ = std::max(1, width - o.paddingLeft - o.paddingRight);
    lineHeight_ = std::max(1, o.lineHeight);
    lines_.emplace_back();
  }

  ItemLayout Run() {
    for (size_t r = 0; r < parsed_.runs.size() && !stopped_; ++r) {
      const markup::Run& run = parsed_.runs[r];
      if (run.kind == RunKind::Break) {
        wrapPending_ = false;
        lineCut_ = false;
        NewLine();
        continue;
      }
      if (opt_.wrap) {
        PlaceRun(r, run);
      } else if (!lineCut_) {
        PlaceRunCut(r, run);
      }
    }
    // A break or wrap that ends the item opens no line of its own.
    if (!stopped_ && lines_.size() > 1 && lines_.back().frags.empty()) lines_.pop_back();
    return Finish();
  }

 private:
  struct Line {
    std::vector<size_t> frags;
    int width = 0;
    bool centred = false;
  };

  void NewLine() {
    if (opt_.maxLines > 0 && static_cast<int>(lines_.size()) >= opt_.maxLines) {
      stopped_ = true;
      out_.truncated = true;
      return;
    }
    lines_.emplace_back();
    x_ = 0;
  }

  void Place(size_t run, const std::string& text, size_t from, size_t n, int width) {
    Line& line = lines_.back();
    if (line.frags.empty()) line.centred = parsed_.runs[run].centred;
    Fragment f;
    f.text = text.substr(from, n);
    f.run = run;
    f.line = static_cast<int>(lines_.size()) - 1;
    f.x = x_;
    f.width = width;
    x_ += width;
    line.width = x_;
    line.frags.push_back(out_.fragments.size());
    out_.fragments.push_back(std::move(f));
  }

  void PlaceRun(size_t r, const markup::Run& run) {
    const std::string& text = run.text;
    size_t pos = 0;
    auto skipSpaces = [&] {
      while (pos < text.size() && text[pos] == ' ') ++pos;
    };
    while (pos < text.size() && !stopped_) {
      if (wrapPending_) {
        wrapPending_ = false;
        NewLine();
        skipSpaces();
        continue;
      }
      int room = avail_ - x_;
      size_t n = room > 0 ? FitPrefix(text, pos, room, run.bold, measure_) : 0;
      size_t rest = text.size() - pos;
      if (n == rest) {
        Place(r, text, pos, n, measure_(text.substr(pos, n), run.bold));
        return;
      }
      // Overflow: break at the last space that leaves a fitting prefix.
      size_t space = std::string::npos;
      for (size_t i = std::min(n, rest - 1) + 1; i-- > 0;) {
        if (text[pos + i] == ' ') {
          space = i;
          break;
        }
      }
      if (space != std::string::npos) {
        while (space > 0 && text[pos + space - 1] == ' ') --space;  // break before the blanks
        bool onlySpaces = text.find_first_not_of(' ', pos) >= pos + space;
        if (onlySpaces && x_ == 0) {  // nothing to keep on this line: just drop the spaces
          skipSpaces();
          continue;
        }
        if (!onlySpaces) Place(r, text, pos, space, measure_(text.substr(pos, space), run.bold));
        pos += space;
        skipSpaces();
        if (pos < text.size()) {
          NewLine();
        } else {
          wrapPending_ = true;
        }
        continue;
      }
      if (x_ > 0) {  // the word goes to the next line whole
        NewLine();
        continue;
      }
      // A word wider than the whole line: cut it, at least one character.
      n = std::max(n, FirstChar(text, pos));
      Place(r, text, pos, n, measure_(text.substr(pos, n), run.bold));
      pos += n;
      if (pos < text.size()) {
        NewLine();
      } else {
        wrapPending_ = true;
      }
    }
  }

  // The run on the current line as far as it fits; the rest of the line is
  // dropped and "..." shows where.
  void PlaceRunCut(size_t r, const markup::Run& run) {
    const std::string& text = run.text;
    const int room = avail_ - x_;
    const size_t n = room > 0 ? FitPrefix(text, 0, room, run.bold, measure_) : 0;
    if (n == text.size()) {
      Place(r, text, 0, n, measure_(text, run.bold));
      return;
    }
    static const std::string kEllipsis = "...";
    const int dots = measure_(kEllipsis, run.bold);
    const size_t keep = room > dots ? FitPrefix(text, 0, room - dots, run.bold, measure_) : 0;
    const std::string shown = text.substr(0, keep) + kEllipsis;
    Place(r, shown, 0, shown.size(), measure_(shown, run.bold));
    lineCut_ = true;
  }

  ItemLayout Finish() {
    for (size_t l = 0; l < lines_.size(); ++l) {
      const Line& line = lines_[l];
      int offset = opt_.paddingLeft;
      if (line.centred) offset += std::max(0, (avail_ - line.width) / 2);
      for (size_t fi : line.frags) {
        Fragment& f = out_.fragments[fi];
        f.x += offset;
        f.y = static_cast<int>(l) * lineHeight_;
        int param = parsed_.runs[f.run].param;
        if (param < 0) continue;
        Rect rc{f.x, f.y, f.x + f.width, f.y + lineHeight_};
        if (!out_.paramRects.empty()) {
          ParamRect& last = out_.paramRects.back();
          if (last.param == param && last.rect.top == rc.top && last.rect.right == rc.left) {
            last.rect.right = rc.right;  // a parameter in several styles is one box
            continue;
          }
        }
        out_.paramRects.push_back(ParamRect{param, rc});
      }
    }
    out_.lines = static_cast<int>(lines_.size());
    out_.height = out_.lines * lineHeight_;
    return std::move(out_);
  }

  const ParsedMarkup& parsed_;
  const MeasureText& measure_;
  LayoutOptions opt_;
  int avail_ = 1;
  int lineHeight_ = 16;
  int x_ = 0;
  bool wrapPending_ = false;
  bool lineCut_ = false;  // the current line ran past the edge (no wrapping)
  bool stopped_ = false;
  std::vector<Line> lines_;
  ItemLayout out_;
};

}  // namespace

ItemLayout Layout(const ParsedMarkup& parsed, int width, const MeasureText& measure,
                  const LayoutOptions& options) {
  return Layouter(parsed, width, measure, options).Run();
}

int HitTestParam(const ItemLayout& layout, int x, int y) {
  for (const ParamRect& p : layout.paramRects)
    if (p.rect.Contains(x, y)) return p.param;
  return -1;
}

bool ParamBounds(const ItemLayout& layout, int param, Rect& out) {
  for (const ParamRect& p : layout.paramRects) {
    if (p.param == param) {
      out = p.rect;
      return true;
    }
  }
  return false;
}

}  // namespace corvanta::markup
