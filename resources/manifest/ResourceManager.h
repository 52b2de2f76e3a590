// The program's named images, sounds and fonts.
//
// ReadManifest reads an XML resource manifest ("data/data.xml" for the game)
// into records grouped by named groups, loading nothing. A group is then
// loaded whole (LoadGroup) or one record per call (BeginGroupLoad and
// LoadNextOfGroup) so a loading screen can show progress; resources are
// handed out by id and released by group. Images come from the
// application's shared-image map, sounds go into its sound manager, fonts
// are image fonts (descriptor or image + widths file) or system fonts.
//
// Manifest format: a root "ResourceManifest" holding "Resources" groups
// (attribute "id"), each holding empty "Image", "Sound", "Font" and
// "SetDefaults" elements. Names match exactly; "anim" values ignore case;
// integers read as strtol does (leading blanks and a sign, no digits is 0).
//
// Failure: the first error is kept as text (while the manifest is read, with
// " on Line N in File '...'" appended) together with a failed flag; later
// errors change nothing until BeginGroupLoad or LoadGroup clears them. The
// ...OrThrow getters throw ResourceManagerException carrying that text.
//
// Threads: the loading thread may walk a group while the main thread calls
// the getters, FindFont, HasFailed and ErrorText. One lock guards the error
// state and every record's loaded state; decoding runs outside it. The group
// walk itself (BeginGroupLoad, LoadNextOfGroup) belongs to one thread at a
// time, and the manifest is read before any other thread uses the manager.
//
// Layer: resources/manifest uses ui and audio and everything below them;
// the application object reaches it from above through ResourceServices.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "image/Image.h"
#include "image/SharedImage.h"

namespace Kivo {

class DDImage;
class Font;
class FontHost;
class MemoryImage;
class SoundManager;
class WidgetHost;
class XMLParser;
struct XmlElementRecord;

// Thrown by the getters for an id that is not loaded; carries the manager's
// error text at the time of the throw.
class ResourceManagerException : public std::exception {
 public:
  explicit ResourceManagerException(std::string text) : mText(std::move(text)) {}
  const char* what() const noexcept override { return mText.c_str(); }
  const std::string& Text() const { return mText; }

 private:
  std::string mText;
};

// What the manager loads through: the application object implements it
// (its shared images and image loading stay its own overridable calls), so
// the manager needs nothing above its layer. The sound manager and widget
// host are asked for at load time, so services made after the manager are
// found; a null sound manager makes sound records fail to load.
class ResourceServices {
 public:
  virtual ~ResourceServices() = default;
  virtual SharedImageHandle FindOrCreateSharedImage(const std::string& file, const std::string& variant,
                                                    bool* isNew) = 0;
  virtual DDImage* LoadImageFile(const std::string& path, bool scanAlpha) = 0;
  virtual void ShowFatalErrorA(const std::string& text) = 0;
  virtual SoundManager* ResourceSoundManager() = 0;
  virtual WidgetHost* ResourceWidgetHost() = 0;
};

class ResourceManager {
 public:
  enum ResType { RESTYPE_IMAGE = 0, RESTYPE_SOUND = 1, RESTYPE_FONT = 2 };

  struct BaseRes {
    BaseRes(int kind, ResourceServices* application) : type(kind), app(application) {}
    virtual ~BaseRes() = default;
    // Drops what was loaded; the record stays registered.
    virtual void Release() {}

    int type;
    std::string id;
    std::string group;
    std::string path;
    bool programSupplied = false;  // path "!program": never loaded from a file
    ResourceServices* app;         // whose sound manager a sound goes back to
  };

  struct ImageRes : BaseRes {
    explicit ImageRes(ResourceServices* application) : BaseRes(RESTYPE_IMAGE, application) {}
    void Release() override { image.Release(); }

    SharedImageHandle image;  // empty until loaded
    std::string alphaImagePath;
    std::string alphaGridPath;
    std::string variant;
    bool palettize = true;
    bool a4r4g4b4 = false;
    bool a8r8g8b8 = false;
    bool ddsurface = false;
    bool nobits = false;
    bool minsubdivide = false;
    int32_t rows = 1;
    int32_t cols = 1;
    uint32_t alphaColor = 0xFFFFFF;
    AnimationInfo animation;
  };

  struct SoundRes : BaseRes {
    explicit SoundRes(ResourceServices* application) : BaseRes(RESTYPE_SOUND, application) {}
    void Release() override;

    int soundId = -1;
    double volume = -1.0;  // below 0: the sound keeps its base volume
    int pan = 0;
  };

  struct FontRes : BaseRes {
    explicit FontRes(ResourceServices* application) : BaseRes(RESTYPE_FONT, application) {}
    ~FontRes() override { Release(); }
    void Release() override;

    Font* font = nullptr;          // owned
    MemoryImage* image = nullptr;  // owned; the glyph strip of an image + widths font
    std::string imagePath;
    std::string tags;
    bool sysFont = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool shadow = false;
    int32_t size = 0;
  };

  using ResMap = std::map<std::string, BaseRes*>;

  // The application supplies images, the sound manager and fonts' images;
  // a manager without one can still read manifests.
  explicit ResourceManager(ResourceServices* app);
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // --- Reading the manifest. ---
  virtual bool ReadCommonAttributes(const XmlElementRecord& element, BaseRes* record, ResMap& map);
  virtual bool ReadSoundElement(const XmlElementRecord& element);
  virtual bool ReadImageElement(const XmlElementRecord& element);
  virtual bool ReadFontElement(const XmlElementRecord& element);
  virtual bool ReadDefaultsElement(const XmlElementRecord& element);
  virtual bool ReadGroupChildren();

  // --- Loading, releasing and handing out. ---
  virtual void ReleaseGroup(const std::string& group);
  virtual void ReleaseGroupInMap(ResMap& map, const std::string& group);
  virtual bool LoadImageRes(ImageRes& record);
  virtual bool LoadFontRes(FontRes& record);
  virtual bool LoadSoundRes(SoundRes& record);
  virtual ~ResourceManager();
  // Loads the next record of the selected group that is neither loaded nor
  // program-supplied; false at the end or once the manager has failed.
  virtual bool LoadNextOfGroup();
  // Called after every successful load.
  virtual void OnResourceLoaded(BaseRes* record);
  // Clears the error and selects the group (empty when the manifest does not
  // name it) for LoadNextOfGroup, from its start.
  virtual void BeginGroupLoad(const std::string& group);
  virtual bool LoadGroup(const std::string& group);
  virtual SharedImageHandle ImageOrThrow(const std::string& id);
  virtual int SoundOrThrow(const std::string& id);
  virtual Font* FontOrThrow(const std::string& id);

  // True when no error was recorded.
  bool ReadManifest(const std::string& fileName);
  // Records the first error only; always false.
  bool ReportError(const std::string& message);
  std::string ErrorText() const;
  bool HasFailed() const;

  void ReleaseAllInMap(ResMap& map);
  // Records of the map in the group that are not program-supplied; every
  // record of the map for an empty group name.
  int CountInGroup(const std::string& group, const ResMap& map) const;
  int CountSoundsInGroup(const std::string& group) const { return CountInGroup(group, mSounds); }
  // The loaded font or null; records no error.
  Font* FindFont(const std::string& id);

  // The number at the start, then the number after each ','.
  static std::vector<int32_t> ParseIntList(const std::string& text);

  // Read-only views for tools and tests.
  const ResMap& Images() const { return mImages; }
  const ResMap& Sounds() const { return mSounds; }
  const ResMap& Fonts() const { return mFonts; }
  const std::map<std::string, std::vector<BaseRes*>>& Groups() const { return mGroups; }
  bool IsGroupLoaded(const std::string& group) const { return mLoadedGroups.count(group) != 0; }
  // Whether the record holds its image, sound or font (under the lock).
  bool IsLoaded(const BaseRes* record) const;

 private:
  bool ReadGroupSections();
  bool ReportErrorLocked(const std::string& message);
  bool LoadAlphaImage(ImageRes& record, MemoryImage* image);
  bool LoadAlphaGridImage(ImageRes& record, MemoryImage* image);
  bool IsLoadedLocked(const BaseRes* record) const;

  ResourceServices* mApp;
  std::unique_ptr<FontHost> mFontHost;
  ResMap mImages;
  ResMap mSounds;
  ResMap mFonts;
  std::map<std::string, std::vector<BaseRes*>> mGroups;
  std::set<std::string> mLoadedGroups;
  XMLParser* mParser = nullptr;
  std::string mError;
  bool mFailed = false;
  std::string mCurrentGroup;
  std::string mDefaultPath;
  std::string mIdPrefix;
  std::vector<BaseRes*>* mCurrentList = nullptr;
  size_t mCursor = 0;
  // Guards mError, mFailed and the loaded state of every record.
  mutable std::mutex mLock;
};

}  // namespace Kivo
