// The loader chain: order, user loaders, rewinding, the stream operations it may use, file
// streams, and every prefix of every fixture.
#include <cstring>

#include "morrow/system/log.h"
#include "tests/morrow/graphics/image_test_util.h"
#include "tests/support/temp_dir.h"

namespace {

using imagetest::Decode;
using imagetest::Decoded;
using morrow::ImageLoaderKind;

ImageLoaderKind KindOfFixture(const std::string& name) {
  struct Prefix {
    const char* text;
    ImageLoaderKind kind;
  } prefixes[] = {{"bmp", ImageLoaderKind::kBmp}, {"jpeg", ImageLoaderKind::kJpeg},
                  {"png", ImageLoaderKind::kPng}, {"bgra", ImageLoaderKind::kBgra},
                  {"tga", ImageLoaderKind::kTga}, {"dds", ImageLoaderKind::kDds}};
  for (const Prefix& p : prefixes) {
    if (name.rfind(p.text, 0) == 0) return p.kind;
  }
  return ImageLoaderKind::kNone;
}

TEST(ImageChain, EveryFixtureIsTakenByItsLoader) {
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    ASSERT_FALSE(f.bytes.empty()) << f.name;
    Decoded d;
    Decode(f.bytes, nullptr, &d);
    EXPECT_EQ(d.result, 0) << f.name;
    EXPECT_EQ(d.kind, KindOfFixture(f.name)) << f.name;
    EXPECT_STREQ(morrow::GetImageLoaderName(d.kind),
                 morrow::GetImageLoaderName(KindOfFixture(f.name)));
  }
}

// The JPEG loader is tried on every picture after BMP: a PNG passes it without a line in the log,
// while a JPEG cut short keeps the decoder's own message.
TEST(ImageChain, ALoaderThatOnlyTriesLogsNothing) {
  testsupport::TempDir dir;
  morrow::SetLogDirectory(dir.path());
  morrow::StartLogFile();
  std::string jpeg;
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    const ImageLoaderKind kind = KindOfFixture(f.name);
    if (kind == ImageLoaderKind::kJpeg && jpeg.empty()) jpeg = f.bytes;
    if (kind != ImageLoaderKind::kPng) continue;
    Decoded d;
    Decode(f.bytes, nullptr, &d);
    EXPECT_EQ(d.kind, kind) << f.name;
  }
  EXPECT_EQ(testsupport::ReadFile(dir.File("AppLog.txt")), "");
  ASSERT_FALSE(jpeg.empty());
  Decoded cut;
  Decode(jpeg.substr(0, jpeg.size() / 2), morrow::LoadJpegImage, &cut);
  EXPECT_NE(testsupport::ReadFile(dir.File("AppLog.txt")), "");
  morrow::SetLogDirectory("");
}

TEST(ImageChain, LoaderNames) {
  struct Case {
    ImageLoaderKind kind;
    const char* name;
  } cases[] = {{ImageLoaderKind::kNone, ""},   {ImageLoaderKind::kUser, "USER"},
               {ImageLoaderKind::kBmp, "BMP"}, {ImageLoaderKind::kJpeg, "JPEG"},
               {ImageLoaderKind::kPng, "PNG"}, {ImageLoaderKind::kBgra, "BGRA"},
               {ImageLoaderKind::kTga, "TGA"}, {ImageLoaderKind::kDds, "DDS"}};
  for (const Case& c : cases) EXPECT_STREQ(morrow::GetImageLoaderName(c.kind), c.name);
}

TEST(ImageChain, UnknownDataIsRefused) {
  const std::string cases[] = {"",
                               "x",
                               std::string(17, '\0'),
                               std::string(4096, '\xAA'),
                               "BM",
                               "DDS ",
                               "BGRA",
                               std::string("\x89PNG\r\n\x1a\n", 8),
                               std::string("\xFF\xD8\xFF", 3)};
  for (const std::string& bytes : cases) {
    Decoded d;
    Decode(bytes, nullptr, &d);
    EXPECT_EQ(d.result, -1) << bytes.size();
    EXPECT_EQ(d.kind, ImageLoaderKind::kNone);
    EXPECT_TRUE(imagetest::IsEmpty(d.image));
  }
}

// User loaders for the table test: each records the position it was started at.
std::vector<std::pair<int, int64_t>> g_userCalls;
int RefusingUserLoader(morrow::StreamSource* s, morrow::GraphImage*) {
  g_userCalls.push_back({0, s->functions.tell(s->handle)});
  char skip[3];
  s->functions.read(skip, 1, 3, s->handle);
  return -1;
}
int AcceptingUserLoader(morrow::StreamSource* s, morrow::GraphImage* out) {
  g_userCalls.push_back({1, s->functions.tell(s->handle)});
  out->width = 1;
  out->height = 1;
  out->pitch = 1;
  out->pixels = std::calloc(1, 1);
  morrow::InitAlpha8ColorFormat(&out->format);
  return 0;
}

TEST(ImageChain, UserLoadersComeFirst) {
  morrow::UserImageLoaderTable* table = morrow::GetUserImageLoaderTable();
  EXPECT_EQ(table->count, 0);  // nothing in the library fills it
  const morrow::UserImageLoaderTable saved = *table;
  const std::string bmp = imagetest::WriteBmp(imagetest::MakePicture(2, 2, 1), {});
  struct Case {
    std::vector<morrow::ImageLoader> loaders;
    int count;
    std::vector<int> calls;
    ImageLoaderKind kind;
  } cases[] = {
      {{RefusingUserLoader, AcceptingUserLoader}, 2, {0, 1}, ImageLoaderKind::kUser},
      {{RefusingUserLoader, RefusingUserLoader}, 2, {0, 0}, ImageLoaderKind::kBmp},
      {{AcceptingUserLoader, RefusingUserLoader}, 2, {1}, ImageLoaderKind::kUser},
      {{RefusingUserLoader, nullptr, AcceptingUserLoader}, 3, {0, 1}, ImageLoaderKind::kUser},
      // Only the slots the count names are tried, and never more than ten.
      {{RefusingUserLoader, AcceptingUserLoader}, 1, {0}, ImageLoaderKind::kBmp},
      {std::vector<morrow::ImageLoader>(10, RefusingUserLoader), 1000, std::vector<int>(10, 0),
       ImageLoaderKind::kBmp},
  };
  for (const Case& c : cases) {
    *table = {};
    for (size_t i = 0; i < c.loaders.size(); ++i) table->slots[i] = c.loaders[i];
    table->count = c.count;
    g_userCalls.clear();
    Decoded d;
    Decode(bmp, nullptr, &d);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.kind, c.kind);
    ASSERT_EQ(g_userCalls.size(), c.calls.size());
    for (size_t i = 0; i < c.calls.size(); ++i) {
      EXPECT_EQ(g_userCalls[i].first, c.calls[i]);
      EXPECT_EQ(g_userCalls[i].second, 0) << "each try starts at the beginning";
    }
    if (c.kind == ImageLoaderKind::kBmp) {
      EXPECT_EQ(d.image.width, 2);
    }
  }
  *table = saved;
}

// A stream over memory whose end test, idle test and close count their calls: the loaders may
// use only read, seek and tell.
int g_forbiddenCalls = 0;
int CountingEof(void*) {
  return ++g_forbiddenCalls, 0;
}
int CountingIdle(void*) {
  return ++g_forbiddenCalls, 1;
}
int CountingClose(void*) {
  return ++g_forbiddenCalls, 0;
}

TEST(ImageChain, LoadersUseOnlyReadSeekAndTell) {
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    for (size_t cut : {f.bytes.size(), f.bytes.size() / 2}) {
      morrow::StreamSource s;
      ASSERT_TRUE(morrow::OpenMemoryStreamSource(f.bytes.data(), cut, &s));
      auto close = s.functions.close;
      s.functions.eof = CountingEof;
      s.functions.idle = CountingIdle;
      s.functions.close = CountingClose;
      g_forbiddenCalls = 0;
      morrow::GraphImage image{};
      morrow::LoadImageThroughLoaders(&s, &image, nullptr);
      morrow::FreeGraphImage(&image);
      EXPECT_EQ(g_forbiddenCalls, 0) << f.name;
      close(s.handle);
    }
  }
}

TEST(ImageChain, FilesThroughTheFileAccessTable) {
  testsupport::TempDir dir;
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    std::string path = dir.File(f.name + ".img");
    testsupport::WriteFile(path, f.bytes);
    morrow::StreamSource s;
    ASSERT_TRUE(morrow::OpenFileStreamSource(path.c_str(), &s)) << f.name;
    Decoded whole;
    whole.result = morrow::LoadImageThroughLoaders(&s, &whole.image, &whole.kind);
    s.functions.close(s.handle);
    Decoded fromMemory;
    Decode(f.bytes, nullptr, &fromMemory);
    ASSERT_EQ(whole.result, 0) << f.name;
    EXPECT_EQ(whole.kind, fromMemory.kind) << f.name;
    ASSERT_EQ(whole.image.pitch, fromMemory.image.pitch) << f.name;
    ASSERT_EQ(whole.image.height, fromMemory.image.height) << f.name;
    EXPECT_EQ(std::memcmp(whole.image.pixels, fromMemory.image.pixels,
                          static_cast<size_t>(whole.image.pitch) * whole.image.height),
              0)
        << f.name;
  }
}

// Every prefix of every fixture is refused cleanly or decoded into a consistent image whose
// every byte is read (by the sanitizers' eyes) and the same on a second decode.
TEST(ImageChain, EveryPrefixIsRefusedOrDecoded) {
  for (const imagetest::NamedFile& f : imagetest::AllFixtures()) {
    int decoded = 0;
    for (size_t n = 0; n < f.bytes.size(); ++n) {
      Decoded d;
      Decode(f.bytes.substr(0, n), nullptr, &d);
      if (d.result != 0) {
        ASSERT_EQ(d.result, -1) << f.name << " " << n;
        ASSERT_TRUE(imagetest::IsEmpty(d.image)) << f.name << " " << n;
        continue;
      }
      ++decoded;
      const morrow::GraphImage& im = d.image;
      ASSERT_GT(im.width, 0);
      ASSERT_GT(im.height, 0);
      ASSERT_GE(im.pitch, im.width * im.format.bytesPerPixel) << f.name << " " << n;
      // A second decode gives the same bytes: no byte of the buffer is left unwritten.
      Decoded again;
      Decode(f.bytes.substr(0, n), nullptr, &again);
      ASSERT_EQ(again.result, 0);
      ASSERT_EQ(
          std::memcmp(im.pixels, again.image.pixels, static_cast<size_t>(im.pitch) * im.height), 0)
          << f.name << " " << n;
    }
    // Only formats that keep what arrived (JPEG data, run-length BMPs, the chain's later
    // loaders on another format's prefix) may accept a prefix.
    if (KindOfFixture(f.name) == ImageLoaderKind::kPng ||
        KindOfFixture(f.name) == ImageLoaderKind::kDds ||
        KindOfFixture(f.name) == ImageLoaderKind::kBgra) {
      EXPECT_EQ(decoded, 0) << f.name;
    }
  }
}

}  // namespace
