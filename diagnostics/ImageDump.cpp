// Screenshots and the image dump.
#include "diagnostics/ImageDump.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>

#include "display/D3DInterface.h"
#include "display/D3DTextureData.h"
#include "image/surface/DDImage.h"
#include "image/surface/DDImageRegistry.h"
#include "image/MemoryImage.h"
#include "platform/Files.h"
#include "resources/ImageLib.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kThumbnailSide = 64;
constexpr int kFolderRetryMs = 100;

std::function<SYSTEMTIME()>& DumpClock() {
  static std::function<SYSTEMTIME()> clock;
  return clock;
}

SYSTEMTIME DumpTimeNow() {
  if (DumpClock()) return DumpClock()();
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now;
}

// Thousands separators; totals of many images may pass the 32-bit range.
std::string Grouped(int64_t value) {
  if (value >= INT32_MIN && value <= INT32_MAX) return Narrow(GroupThousands(static_cast<int32_t>(value)));
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return value < 0 ? "-" + out : out;
}

// The page is text with CR LF line ends.
class PageWriter {
 public:
  explicit PageWriter(const std::string& path) : mFile(Platform::OpenFile(path, "wb")) {}
  ~PageWriter() {
    if (mFile != nullptr) std::fclose(mFile);
  }
  PageWriter(const PageWriter&) = delete;
  PageWriter& operator=(const PageWriter&) = delete;

  bool IsOpen() const { return mFile != nullptr; }
  void Put(const std::string& text) {
    if (mFile != nullptr) std::fwrite(text.data(), 1, text.size(), mFile);
  }
  void Line(const std::string& text) { Put(text + "\r\n"); }
  void Cell(const std::string& content) { Line("<TD>" + content + "</TD>"); }
  void SizeCell(bool present, const char* label, int64_t bytes) {
    Cell(present ? std::string(label) + "<BR>" + Grouped(bytes) : "&nbsp;");
  }
  void FlagCell(bool set, const char* label) { Cell(set ? label : "&nbsp;"); }

 private:
  std::FILE* mFile;
};

void WriteImageRow(PageWriter& page, MemoryImage& image, const ImageCharges& c, const std::string& imageName,
                   const std::string& thumbName) {
  page.Line("<TR>");
  page.Line("<TD><A HREF=" + imageName + "><IMG SRC=" + thumbName + " WIDTH=" + std::to_string(kThumbnailSide) +
            " HEIGHT=" + std::to_string(kThumbnailSide) + "></A></TD>");
  page.Line("<TD ALIGN=RIGHT>" + std::to_string(image.width) + " x " + std::to_string(image.height) + "<BR>" +
            Grouped(c.Total()) + " bytes</TD>");
  page.SizeCell(c.hasBits, "mBits", c.bits);
  page.SizeCell(c.hasPalette, "Palletized", c.palette);
  page.SizeCell(c.hasSurface, "DDSurface", c.surface);
  page.Cell(c.hasTexture ? std::string("Texture<BR>") + TextureFormatName(c.textureFormat) + "<BR>" + Grouped(c.texture)
                         : "&nbsp;");
  page.FlagCell(image.isVolatile, "Volatile");
  page.FlagCell(image.alphaFlagsForced, "Forced");
  page.FlagCell(image.hasPartialAlpha, "HasAlpha");
  page.FlagCell(image.hasTransparency, "HasTrans");
  page.SizeCell(c.hasNative, "NativeAlpha", c.native);
  page.SizeCell(c.hasAlphaRuns, "RLAlpha", c.alphaRuns);
  page.SizeCell(c.hasAdditiveRuns, "RLAdditive", c.additiveRuns);
  page.Cell(image.path.empty() ? "&nbsp;" : image.path);
  page.Line("</TR>");
}

void WriteTotals(PageWriter& page, const ImageCharges& totals) {
  page.Line("<TD>Totals</TD>");
  for (int64_t value : {totals.Total(), totals.bits, totals.palette, totals.surface, totals.texture})
    page.Cell(Grouped(value));
  for (int i = 0; i < 4; ++i) page.Cell("&nbsp;");
  for (int64_t value : {totals.native, totals.alphaRuns, totals.additiveRuns}) page.Cell(Grouped(value));
  page.Cell("&nbsp;");
}

// The image's PNG and thumbnail, from a copy so that the image itself keeps
// its forms. An image without pixels gets no files.
void WriteImageFiles(MemoryImage& image, const std::string& folder, const std::string& imageName,
                     const std::string& thumbName) {
  if (image.width <= 0 || image.height <= 0) return;
  MemoryImage copy(image);
  const uint32_t* bits = copy.GetBits();
  size_t count = copy.PixelCount();
  if (bits == nullptr || count == 0) return;

  ImageLib::Image thumbnail(kThumbnailSide, kThumbnailSide);
  thumbnail.pixels = MakeThumbnail(bits, copy.width, copy.height);
  ImageLib::WriteJpegImage(folder + thumbName, thumbnail);

  ImageLib::Image full(copy.width, copy.height);
  std::copy(bits, bits + count, full.pixels.begin());
  ImageLib::WritePngImage(folder + imageName, full);
}

}  // namespace

void ImageCharges::Add(const ImageCharges& other) {
  bits += other.bits;
  palette += other.palette;
  surface += other.surface;
  texture += other.texture;
  native += other.native;
  alphaRuns += other.alphaRuns;
  additiveRuns += other.additiveRuns;
}

ImageCharges ChargeImage(MemoryImage& image) {
  ImageCharges c;
  const int64_t n = static_cast<int64_t>(image.PixelCount());
  c.hasBits = image.bits != nullptr;
  c.bits = c.hasBits ? 4 * n : 0;
  c.hasPalette = image.palette != nullptr;
  c.palette = c.hasPalette ? n + 1024 : 0;
  auto* surfaceImage = dynamic_cast<DDImage*>(&image);
  c.hasSurface = surfaceImage != nullptr && surfaceImage->surface != nullptr;
  c.surface = c.hasSurface ? 4 * n : 0;
  c.hasTexture = image.textureData != nullptr;
  if (c.hasTexture) {
    c.texture = image.textureData->textureBytes;
    c.textureFormat = image.textureData->format;
  }
  c.hasNative = image.nativeData != nullptr;
  c.native = !c.hasNative ? 0 : c.hasPalette ? 1024 : 4 * n;
  c.hasAlphaRuns = image.alphaRunTable != nullptr;
  c.alphaRuns = c.hasAlphaRuns ? n : 0;
  c.hasAdditiveRuns = image.additiveRunTable != nullptr;
  c.additiveRuns = c.hasAdditiveRuns ? n : 0;
  return c;
}

std::vector<uint32_t> MakeThumbnail(const uint32_t* pixels, int32_t width, int32_t height) {
  std::vector<uint32_t> out(static_cast<size_t>(kThumbnailSide) * kThumbnailSide, 0u);
  for (int y = 0; y < kThumbnailSide; ++y) {
    const int64_t sourceY = static_cast<int64_t>(height * (y + 0.5)) / kThumbnailSide;
    for (int x = 0; x < kThumbnailSide; ++x) {
      const int64_t sourceX = static_cast<int64_t>(width * (x + 0.5)) / kThumbnailSide;
      out[static_cast<size_t>(y) * kThumbnailSide + static_cast<size_t>(x)] = pixels[sourceY * width + sourceX];
    }
  }
  return out;
}

std::string FormatDumpTime(const SYSTEMTIME& t) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* day = t.wDayOfWeek < 7 ? kDays[t.wDayOfWeek] : "???";
  const char* month = t.wMonth >= 1 && t.wMonth <= 12 ? kMonths[t.wMonth - 1] : "???";
  return FormatText("%s %s%3d %02d:%02d:%02d %04d", day, month, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wYear);
}

void SetDumpClock(std::function<SYSTEMTIME()> clock) { DumpClock() = std::move(clock); }

namespace {

// The n of "image<n>.png"; 0 for other names and for numbers so large that
// the next one would not fit, which a stray file must not make the next shot
// overflow into.
int ScreenshotNumberOf(const char* name) {
  if (std::strncmp(name, "image", 5) != 0) return 0;
  const char* digit = name + 5;
  long long number = 0;
  for (; *digit >= '0' && *digit <= '9'; ++digit) {
    number = number * 10 + (*digit - '0');
    if (number >= INT_MAX) return 0;
  }
  if (digit == name + 5 || std::strcmp(digit, ".png") != 0) return 0;
  return static_cast<int>(number);
}

}  // namespace

int NextScreenshotNumber(const std::string& folder) {
  int highest = 0;
  WIN32_FIND_DATAA entry{};
  HANDLE find = FindFirstFileA((folder + "*.png").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return 1;
  do {
    int number = ScreenshotNumberOf(entry.cFileName);
    if (number > highest) highest = number;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return highest + 1;
}

void SaveScreenshotOf(KivoAppBase& app) {
  DDInterface* display = app.mDisplay;
  if (display == nullptr || display->drawSurface == nullptr) return;

  std::string folder = UserDataFolder() + "_screenshots";
  MakeFolders(folder);
  folder += "/";
  const std::string path = folder + "image" + std::to_string(NextScreenshotNumber(folder)) + ".png";

  // Off the display for the moment, the surface reads like any other: the
  // screen's own image would hand the read to the 3D renderer.
  IDirectDrawSurface* surface = display->drawSurface;
  surface->AddRef();
  display->drawSurface = nullptr;
  ImageLib::Image frame;
  {
    DDImage reader(display);
    reader.AttachSurface(surface);
    const uint32_t* bits = reader.GetBits();
    size_t count = reader.PixelCount();
    if (bits != nullptr && count > 0) {
      frame.width = reader.width;
      frame.height = reader.height;
      frame.pixels.assign(bits, bits + count);
    }
    reader.DeleteSurface();
  }
  display->drawSurface = surface;
  surface->Release();

  if (frame.pixels.empty()) return;
  ImageLib::WritePngImage(path, frame);
  // Writing takes long; it must not cause catch-up updates.
  app.ResetFrameTimer(false);
}

void DumpImagesOf(KivoAppBase& app) {
  const std::string folder = UserDataFolder() + "_dump";
  RemoveTree(folder);
  // A removal may still be pending: retry until the folder already exists.
  while (CreateDirectoryA(folder.c_str(), nullptr)) Sleep(kFolderRetryMs);

  const std::string prefix = folder + "\\";
  PageWriter page(prefix + "imagelist.html");
  if (!page.IsOpen()) return;
  page.Line("<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>" + FormatDumpTime(DumpTimeNow()));
  page.Line("</B></FONT><BR>");

  // The list is fixed here, so the copies made while writing stay out of it.
  std::vector<std::pair<ImageCharges, MemoryImage*>> rows;
  ImageCharges all;
  std::vector<MemoryImage*> live =
      app.mImageRegistry != nullptr ? app.mImageRegistry->RegisteredImages() : std::vector<MemoryImage*>();
  for (MemoryImage* image : live) {
    rows.emplace_back(ChargeImage(*image), image);
    all.Add(rows.back().first);
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const auto& a, const auto& b) { return a.first.Total() > b.first.Total(); });

  page.Put("Total Image Allocation: " + Grouped(all.Total()) + " bytes<BR>");
  page.Put("<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>");
  for (size_t k = 0; k < rows.size(); ++k) {
    const std::string imageName = FormatText("img%04d.png", static_cast<int>(k));
    const std::string thumbName = FormatText("thumb%04d.jpg", static_cast<int>(k));
    WriteImageRow(page, *rows[k].second, rows[k].first, imageName, thumbName);
    WriteImageFiles(*rows[k].second, prefix, imageName, thumbName);
  }
  WriteTotals(page, all);
  page.Line("</TABLE></CENTER></BODY></HTML>");
}

}  // namespace Kivo
