#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "image_test_support.h"
#include "image/SharedImage.h"

namespace KivoTest {
namespace {

// Counts its own destruction.
class CountedImage : public MemoryImage {
 public:
  CountedImage(ImageHost* host, int* deaths) : MemoryImage(host), deaths_(deaths) {}
  ~CountedImage() override { ++*deaths_; }

 private:
  int* deaths_;
};

TEST(SharedImage, EntryCountsAndPurgeFlag) {
  RecordingHost host;
  ScopedHost scoped(&host);
  SharedImageEntry entry;
  MemoryImage image(&host);
  entry.image = &image;
  {
    SharedImageHandle a(&entry);
    SharedImageHandle b(a);
    EXPECT_EQ(entry.count.load(), 2);
    EXPECT_EQ(b.GetImage(), &image);
    EXPECT_EQ(b.GetDDImage(), &image);
    a.Release();
    EXPECT_EQ(host.purgeRaised.load(), 0);
    SharedImageHandle c;
    c.AssignHandle(b);
    c.AssignHandle(b);  // re-assigning the same entry never touches zero
    EXPECT_EQ(host.purgeRaised.load(), 0);
    EXPECT_EQ(entry.count.load(), 2);
  }
  EXPECT_EQ(entry.count.load(), 0);
  EXPECT_EQ(host.purgeRaised.load(), 1);
  SharedImageHandle none(nullptr);
  EXPECT_EQ(none.GetImage(), nullptr);
}

TEST(SharedImage, UnsharedImageWinsAndIsNotTheDDImage) {
  RecordingHost host;
  ScopedHost scoped(&host);
  SharedImageEntry entry;
  MemoryImage shared(&host), mine(&host);
  entry.image = &shared;
  SharedImageHandle h;
  h.SetUnsharedImage(&mine);
  EXPECT_EQ(h.GetImage(), &mine);
  EXPECT_EQ(h.GetDDImage(), nullptr);
  h.AssignEntry(&entry);  // releases the private image first
  EXPECT_EQ(h.GetImage(), &shared);
  SharedImageHandle copy(h);
  copy.SetUnsharedImage(&mine);
  EXPECT_EQ(copy.GetMemoryImage(), &mine);
  EXPECT_EQ(copy.GetDDImage(), nullptr);
}

// A copy of a handle that owns its private image must not own it, and must
// not be left holding a dangling pointer when the owner lets go.
TEST(SharedImage, CopiesKeepAnOwnedPrivateImageAlive) {
  RecordingHost host;
  ScopedHost scoped(&host);
  int deaths = 0;
  auto* owner = new SharedImageHandle;
  owner->SetOwnsUnsharedImage(true);
  owner->SetUnsharedImage(new CountedImage(&host, &deaths));
  auto* copy = new SharedImageHandle(*owner);
  EXPECT_FALSE(copy->OwnsUnsharedImage());
  MemoryImage* image = copy->GetMemoryImage();
  ASSERT_NE(image, nullptr);

  SharedImageHandle second(*owner);
  second.Release();
  EXPECT_EQ(deaths, 0);

  delete owner;
  EXPECT_EQ(deaths, 0);
  image->FillRect(Rect(0, 0, 1, 1), Color(1, 2, 3), 0);  // still a live image
  delete copy;
  EXPECT_EQ(deaths, 1);

  // Without copies the owner deletes at release; the owns flag stays.
  SharedImageHandle alone;
  alone.SetOwnsUnsharedImage(true);
  alone.SetUnsharedImage(new CountedImage(&host, &deaths));
  alone.Release();
  EXPECT_EQ(deaths, 2);
  EXPECT_TRUE(alone.OwnsUnsharedImage());

  // A borrowed image is never deleted.
  CountedImage borrowed(&host, &deaths);
  {
    SharedImageHandle h;
    h.SetUnsharedImage(&borrowed);
  }
  EXPECT_EQ(deaths, 2);
}

TEST(SharedImage, TwoThreadsCopyingAndReleasingKeepTheCount) {
  RecordingHost host;
  ScopedHost scoped(&host);
  SharedImageEntry entry;
  SharedImageHandle root(&entry);
  auto work = [&root] {
    for (int i = 0; i < 20000; ++i) {
      SharedImageHandle a(root);
      SharedImageHandle b;
      b = a;
      a.Release();
    }
  };
  std::thread t1(work), t2(work);
  t1.join();
  t2.join();
  EXPECT_EQ(entry.count.load(), 1);
  EXPECT_EQ(host.purgeRaised.load(), 0);
  root.Release();
  EXPECT_EQ(entry.count.load(), 0);
  EXPECT_EQ(host.purgeRaised.load(), 1);
}

}  // namespace
}  // namespace KivoTest
