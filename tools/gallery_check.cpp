// gallery_check GALLERY CHECK [--expected FILE]: one of the checks a player's
// eye makes, over every frame of a gallery (tools/gallery: GALLERY/NAME.png
// and GALLERY/texts.log). CHECK is one of
//   text-format      no drawn text holds a printf directive ("%d", "%02d",
//                    "%s", "%%" ...) or an upper-case text-table key
//                    ("HUD_TIME"); texts drawn in frames that were not kept
//                    are named by their run ("run_a")
//   inside-window    every pressable object (controls, a level's items,
//                    pieces, cards and targets, its hint target) lies wholly
//                    inside the frame; in a level, the level's own objects
//                    lie outside the HUD's panel
//   contrast         every text drawn on the window has a contrast ratio of
//                    at least 3:1 against the pixels of its box
//   overlap-caption  no two controls of one screen overlap (a level's and
//                    its HUD's count as one screen); every button shows a
//                    caption or a picture
//   hud              every level frame shows the HUD's btnMenu and
//                    btnPurpose (their captions drawn on them), its clock and,
//                    when the kind counts, its counter (a text drawn in each),
//                    and none of those texts is covered on the frame
// Every failure is one line "FRAME CHECK OBJECT -- REASON". With
// --expected, FILE lists the failures known today in the same form (the
// reason free, '#' lines and empty lines skipped): a listed failure passes,
// an unlisted one fails, and a listed one of this check that no longer
// happens fails too, so that the list only shrinks.
// Exit code 0 when the check passes, 1 when it fails or the gallery cannot
// be read, 2 on wrong usage.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace {

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
  bool Intersects(const Box& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
};

struct Text {
  Box box;
  uint32_t argb = 0;
  int destWidth = 0, destHeight = 0;
  std::string utf8;  // unquoted
};

struct Object {
  std::string owner, name, kind;
  Box box;
  bool caption = false, picture = false;
};

struct Frame {
  std::string name;
  std::vector<Text> texts;
  std::vector<Object> objects;
  bool level = false;
  std::string levelKind;
  bool clock = false, counter = false;
};

struct Gallery {
  std::vector<Frame> frames;
  std::vector<std::pair<std::string, std::string>> seen;  // run, string
};

// The string of `"..."` starting at line[pos], escapes undone.
std::string Unquote(const std::string& line, std::size_t pos) {
  std::string out;
  if (pos >= line.size() || line[pos] != '"') return out;
  for (std::size_t i = pos + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') break;
    if (c == '\\' && i + 1 < line.size()) {
      const char e = line[++i];
      out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      out += c;
    }
  }
  return out;
}

bool ReadGallery(const std::string& path, Gallery& gallery) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  Frame* frame = nullptr;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string head;
    words >> head;
    if (head == "seen") {
      std::string run;
      words >> run;
      gallery.seen.emplace_back(run, Unquote(line, line.find('"')));
    } else if (head == "frame") {
      gallery.frames.emplace_back();
      frame = &gallery.frames.back();
      words >> frame->name;
    } else if (head == "end") {
      frame = nullptr;
    } else if (head == "+" && frame != nullptr) {
      std::string what;
      words >> what;
      if (what == "text") {
        Text t;
        std::string color;
        words >> t.box.x >> t.box.y >> t.box.w >> t.box.h >> color >> t.destWidth >> t.destHeight;
        t.argb = static_cast<uint32_t>(std::stoul(color, nullptr, 16));
        t.utf8 = Unquote(line, line.find('"'));
        frame->texts.push_back(t);
      } else if (what == "object") {
        Object o;
        int caption = 0, picture = 0;
        words >> o.owner >> o.name >> o.kind >> o.box.x >> o.box.y >> o.box.w >> o.box.h >> caption >> picture;
        o.caption = caption != 0;
        o.picture = picture != 0;
        frame->objects.push_back(o);
      } else if (what == "level") {
        int clock = 0, counter = 0;
        words >> frame->levelKind >> clock >> counter;
        frame->level = true;
        frame->clock = clock != 0;
        frame->counter = counter != 0;
      }
    }
  }
  return true;
}

// A PNG file's size from its header, without decoding it.
bool PngSize(const std::string& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  static const unsigned char kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                           0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  if (!std::equal(std::begin(kStart), std::end(kStart), head)) return false;
  auto be32 = [&](int at) {
    return (uint32_t(head[at]) << 24) | (uint32_t(head[at + 1]) << 16) | (uint32_t(head[at + 2]) << 8) | head[at + 3];
  };
  if (be32(16) == 0 || be32(20) == 0 || be32(16) > 1u << 16 || be32(20) > 1u << 16) return false;
  width = static_cast<int>(be32(16));
  height = static_cast<int>(be32(20));
  return true;
}

struct Failure {
  std::string frame, check, object, reason;
  std::string Key() const { return frame + " " + check + " " + object; }
};

class Report {
 public:
  explicit Report(std::string check) : mCheck(std::move(check)) {}
  void Fail(const std::string& frame, const std::string& object, const std::string& reason) {
    Failure f{frame, mCheck, object, reason};
    if (mKeys.insert(f.Key()).second) mFailures.push_back(f);
  }
  const std::vector<Failure>& Failures() const { return mFailures; }

 private:
  std::string mCheck;
  std::set<std::string> mKeys;
  std::vector<Failure> mFailures;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// ---- text-format

const std::regex& Directive() {
  static const std::regex directive(
      "%[-+#0']*([0-9]+|\\*)?(\\.([0-9]+|\\*))?(hh|h|ll|l|L|j|z|t)?[diouxXeEfFgGaAcspn%]");
  return directive;
}

const std::regex& UpperKey() {
  static const std::regex key("^[A-Z][A-Z0-9]*(_[A-Z0-9]+)+$");
  return key;
}

void CheckTextFormat(const Gallery& gallery, Report& report) {
  std::set<std::string> inFrames;
  auto check = [&](const std::string& frame, const std::string& text) {
    if (std::regex_search(text, Directive())) report.Fail(frame, Quoted(text), "a printf directive is drawn");
    if (std::regex_match(text, UpperKey())) report.Fail(frame, Quoted(text), "a text-table key is drawn");
  };
  for (const Frame& frame : gallery.frames) {
    for (const Text& t : frame.texts) {
      check(frame.name, t.utf8);
      inFrames.insert(t.utf8);
    }
  }
  for (const auto& [run, text] : gallery.seen) {
    if (inFrames.count(text) == 0) check("run_" + run, text);
  }
}

// ---- inside-window

bool IsControl(const Object& o) { return o.kind != "panel" && o.kind != "text" && o.kind != "target"; }

void CheckInsideWindow(const Frame& frame, int width, int height, Report& report) {
  const Object* panel = nullptr;
  for (const Object& o : frame.objects) {
    if (o.kind == "panel") panel = &o;
  }
  for (const Object& o : frame.objects) {
    if (o.kind == "panel" || o.kind == "text") continue;
    const Box& b = o.box;
    const bool inside = b.x >= 0 && b.y >= 0 && b.x + b.w <= width && b.y + b.h <= height;
    const std::string object = o.owner + ":" + o.name;
    if (!inside) {
      char where[96];
      std::snprintf(where, sizeof where, "%s at %d,%d %dx%d is not wholly inside the %dx%d window", o.kind.c_str(), b.x,
                    b.y, b.w, b.h, width, height);
      report.Fail(frame.name, object, where);
    } else if (panel != nullptr && o.owner == "level" &&
               (o.kind == "target" ? Box{b.x, b.y, 1, 1}.Intersects(panel->box) : b.Intersects(panel->box))) {
      report.Fail(frame.name, object, o.kind + " of the level lies on the HUD panel");
    }
  }
}

// ---- contrast

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(uint32_t rgb) {
  return 0.2126 * Linear((rgb >> 16) & 0xFF) + 0.7152 * Linear((rgb >> 8) & 0xFF) + 0.0722 * Linear(rgb & 0xFF);
}

double Ratio(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

double Median(std::vector<int>& values) {
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// Texts drawn at under half opacity are dimmed on purpose (a disabled
// button, a fade): they are not read.
constexpr uint32_t kReadAlpha = 128;

void CheckContrast(const Frame& frame, const Kivo::ImageLib::Image& image, Report& report) {
  for (const Text& t : frame.texts) {
    // Texts drawn into an image other than the window's, or not at all.
    if (t.destWidth != image.width || t.destHeight != image.height) continue;
    const uint32_t alpha = (t.argb >> 24) & 0xFF;
    if (t.box.w <= 0 || t.box.h <= 0 || alpha < kReadAlpha) continue;
    if (t.utf8.find_first_not_of(" \t") == std::string::npos) continue;
    const int x0 = std::max(0, t.box.x), y0 = std::max(0, t.box.y);
    const int x1 = std::min(image.width, t.box.x + t.box.w), y1 = std::min(image.height, t.box.y + t.box.h);
    if (x0 >= x1 || y0 >= y1) continue;
    // The glyphs cover a small part of their box: the median of each
    // channel over the box is the ground they are read on.
    std::vector<int> channel[3];
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const uint32_t p = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
        for (int c = 0; c < 3; ++c) channel[c].push_back(static_cast<int>((p >> (16 - 8 * c)) & 0xFF));
      }
    }
    uint32_t ground = 0, drawn = 0;
    for (int c = 0; c < 3; ++c) {
      const int g = static_cast<int>(Median(channel[c]));
      const int own = static_cast<int>((t.argb >> (16 - 8 * c)) & 0xFF);
      // The text as drawn: its colour laid over the ground by its opacity.
      const int mixed = static_cast<int>((own * static_cast<int>(alpha) + g * (255 - static_cast<int>(alpha))) / 255);
      ground |= static_cast<uint32_t>(g) << (16 - 8 * c);
      drawn |= static_cast<uint32_t>(mixed) << (16 - 8 * c);
    }
    const double ratio = Ratio(Luminance(drawn), Luminance(ground));
    if (ratio < 3.0) {
      char reason[160];
      std::snprintf(reason, sizeof reason, "contrast %.2f:1 (text %06X on %06X) at %d,%d, below 3:1", ratio, drawn,
                    ground, t.box.x, t.box.y);
      report.Fail(frame.name, Quoted(t.utf8), reason);
    }
  }
}

// ---- overlap-caption

bool OneScreen(const Object& a, const Object& b) {
  auto layer = [](const std::string& owner) { return owner == "hud" ? std::string("level") : owner; };
  return layer(a.owner) == layer(b.owner);
}

// A box nearly all of one colour on the frame (a plain fill, at most a thin
// border around it) shows nothing a player can tell apart: a picture like
// that is no picture.
bool Blank(const Box& box, const Kivo::ImageLib::Image& image) {
  const int x0 = std::max(0, box.x), y0 = std::max(0, box.y);
  const int x1 = std::min(image.width, box.x + box.w), y1 = std::min(image.height, box.y + box.h);
  if (x0 >= x1 || y0 >= y1) return true;
  std::map<uint32_t, long> colours;  // by 4 bits a channel
  long all = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      ++colours[(image.pixels[size_t(y) * size_t(image.width) + size_t(x)] >> 4) & 0x0F0F0F];
      ++all;
    }
  }
  long most = 0;
  for (const auto& entry : colours) most = std::max(most, entry.second);
  return most * 10 >= all * 9;
}

void CheckOverlapCaption(const Frame& frame, const Kivo::ImageLib::Image& image, Report& report) {
  std::vector<const Object*> controls;
  // Items, pieces and cards may lie on one another (a pile, a piece on its
  // place): only controls must not.
  for (const Object& o : frame.objects) {
    if (IsControl(o) && o.kind != "item" && o.kind != "piece" && o.kind != "card") controls.push_back(&o);
  }
  auto captionDrawn = [&](const Box& box) {
    for (const Text& t : frame.texts) {
      if (t.box.w > 0 && t.box.Intersects(box) && t.utf8.find_first_not_of(" \t") != std::string::npos) return true;
    }
    return false;
  };
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const Object& a = *controls[i];
    if (a.kind == "button" || a.kind == "toggle") {
      const bool caption = a.caption && captionDrawn(a.box);
      const bool picture = a.picture && !Blank(a.box, image);
      if (!caption && !picture)
        report.Fail(frame.name, a.owner + ":" + a.name, a.kind + " shows neither a caption nor a picture");
    }
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      const Object& b = *controls[j];
      if (OneScreen(a, b) && a.box.w > 0 && b.box.w > 0 && a.box.Intersects(b.box))
        report.Fail(frame.name, a.owner + ":" + a.name + "+" + b.owner + ":" + b.name,
                    a.kind + " and " + b.kind + " overlap");
    }
  }
}

// ---- hud

// How far a text stands out on the frame: the contrast against the ground
// of its box (the median) of the pixel a tenth of the way down from the
// most distinct, toward the text's own colour; glyphs cover more than a
// tenth of their box. A text covered by a later picture leaves only that
// picture, about 1:1.
double StandOut(const Text& t, const Kivo::ImageLib::Image& image) {
  const int x0 = std::max(0, t.box.x), y0 = std::max(0, t.box.y);
  const int x1 = std::min(image.width, t.box.x + t.box.w), y1 = std::min(image.height, t.box.y + t.box.h);
  if (x0 >= x1 || y0 >= y1) return 1.0;
  std::vector<double> luminance;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x)
      luminance.push_back(Luminance(image.pixels[size_t(y) * size_t(image.width) + size_t(x)]));
  }
  std::vector<double> distance = luminance;
  std::nth_element(distance.begin(), distance.begin() + static_cast<std::ptrdiff_t>(distance.size() / 2),
                   distance.end());
  const double ground = distance[distance.size() / 2];
  const double toward = Luminance(t.argb) >= ground ? 1.0 : -1.0;
  for (std::size_t i = 0; i < luminance.size(); ++i) distance[i] = toward * (luminance[i] - ground);
  const auto at = distance.begin() + static_cast<std::ptrdiff_t>(distance.size() * 9 / 10);
  std::nth_element(distance.begin(), at, distance.end());
  return *at <= 0.0 ? 1.0 : Ratio(ground, ground + toward * *at);
}

// Below this a HUD text does not show at all; whether it can be read is the
// contrast check's matter.
constexpr double kShowsAtAll = 1.1;

void CheckHud(const Frame& frame, const Kivo::ImageLib::Image& image, Report& report) {
  if (!frame.level) return;
  enum class Seen { kNotDrawn, kCovered, kShown };
  // The best of the texts drawn in the box.
  auto seenIn = [&](const Box& box) {
    Seen seen = Seen::kNotDrawn;
    for (const Text& t : frame.texts) {
      if (t.box.w <= 0 || t.box.h <= 0 || !t.box.Intersects(box) ||
          t.utf8.find_first_not_of(" \t") == std::string::npos)
        continue;
      seen = StandOut(t, image) >= kShowsAtAll ? Seen::kShown : std::max(seen, Seen::kCovered);
      if (seen == Seen::kShown) break;
    }
    return seen;
  };
  auto find = [&](const std::string& name) -> const Object* {
    for (const Object& o : frame.objects) {
      if (o.owner == "hud" && o.name == name) return &o;
    }
    return nullptr;
  };
  for (const char* name : {"btnMenu", "btnPurpose"}) {
    const Object* button = find(name);
    const Seen seen = button != nullptr && button->caption ? seenIn(button->box) : Seen::kShown;
    if (button == nullptr) {
      report.Fail(frame.name, std::string("hud:") + name, "the HUD's button is not shown");
    } else if (seen == Seen::kNotDrawn) {
      report.Fail(frame.name, std::string("hud:") + name, "the HUD's button is not drawn (no caption on it)");
    } else if (seen == Seen::kCovered) {
      report.Fail(frame.name, std::string("hud:") + name, "the HUD's button is covered (its caption does not show)");
    }
  }
  auto shows = [&](const char* name, const char* what) {
    const Object* text = find(name);
    const Seen seen = text != nullptr ? seenIn(text->box) : Seen::kNotDrawn;
    if (seen != Seen::kShown)
      report.Fail(frame.name, std::string("hud:") + name,
                  std::string("the level's ") + what + (seen == Seen::kCovered ? " is covered" : " is not shown"));
  };
  if (frame.clock) shows("txtTime", "clock");
  if (frame.counter) shows("txtItems", "counter");
}

struct Expected {
  std::map<std::string, std::string> lines;  // key -> whole line
};

bool ReadExpected(const std::string& path, const std::string& check, Expected& expected) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t dash = line.find(" -- ");
    const std::string key = line.substr(0, dash);
    std::istringstream words(key);
    std::string frame, lineCheck;
    words >> frame >> lineCheck;
    if (lineCheck == check) expected.lines[key] = line;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  static const char* const kChecks[] = {"text-format", "inside-window", "contrast", "overlap-caption", "hud"};
  if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--expected")) {
    std::fprintf(stderr, "usage: gallery_check GALLERY CHECK [--expected FILE]\n");
    return 2;
  }
  const std::string folder = argv[1], check = argv[2];
  if (std::find(std::begin(kChecks), std::end(kChecks), check) == std::end(kChecks)) {
    std::fprintf(stderr, "gallery_check: no check \"%s\"\n", check.c_str());
    return 2;
  }
  Gallery gallery;
  if (!ReadGallery(folder + "/texts.log", gallery)) {
    std::printf("FAIL: %s/texts.log cannot be read\n", folder.c_str());
    return 1;
  }
  Report report(check);
  int frames = 0;
  bool unreadable = false;
  if (check == "text-format") {
    CheckTextFormat(gallery, report);
    frames = static_cast<int>(gallery.frames.size());
  } else {
    for (const Frame& frame : gallery.frames) {
      const std::string path = folder + "/" + frame.name + ".png";
      int width = 0, height = 0;
      Kivo::ImageLib::ImagePtr image;
      // Only the checks that look at pixels decode the frame.
      const bool pixels = check != "inside-window" && (check != "hud" || frame.level);
      if (pixels ? !(image = Kivo::ImageLib::ReadPngImage(path)) : !PngSize(path, width, height)) {
        std::printf("FAIL: the frame %s.png cannot be read\n", frame.name.c_str());
        unreadable = true;
        continue;
      }
      ++frames;
      if (check == "inside-window") CheckInsideWindow(frame, width, height, report);
      if (check == "contrast") CheckContrast(frame, *image, report);
      if (check == "overlap-caption") CheckOverlapCaption(frame, *image, report);
      if (check == "hud" && image) CheckHud(frame, *image, report);
    }
  }
  Expected expected;
  const bool listed = argc == 5;
  if (listed && !ReadExpected(argv[4], check, expected)) {
    std::printf("FAIL: the expected failures %s cannot be read\n", argv[4]);
    return 1;
  }
  int unexpected = 0, known = 0;
  for (const Failure& f : report.Failures()) {
    const bool isKnown = expected.lines.erase(f.Key()) > 0;
    if (isKnown) {
      ++known;
      std::printf("expected: %s -- %s\n", f.Key().c_str(), f.reason.c_str());
    } else {
      ++unexpected;
      std::printf("FAIL: %s -- %s\n", f.Key().c_str(), f.reason.c_str());
    }
  }
  for (const auto& entry : expected.lines) {
    std::printf("FAIL: listed but passes now (delete its line): %s\n", entry.second.c_str());
  }
  const bool failed = unreadable || unexpected > 0 || !expected.lines.empty();
  std::printf("%s: %d frames, %d failures (%d expected), %zu listed that pass\n", check.c_str(), frames,
              unexpected + known, known, expected.lines.size());
  return failed ? 1 : 0;
}
