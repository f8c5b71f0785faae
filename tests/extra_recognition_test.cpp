// korvel_extra's recogniser: the step table and its order, the tolerant
// readings of what korvel_hobeta refuses, the 16 MiB limit, the host's order
// of rule sets, and korvel_extra as a superset of korvel_hobeta.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decoders/multicolour_gigascreen.h"
#include "decoders/standard_screen.h"
#include "decoders/three_colour.h"
#include "plugin/host_order.h"
#include "plugin/load.h"
#include "plugin/recognition_steps.h"
#include "plugin/tolerant_reading.h"
#include "samples/sample_set.h"
#include "tests/support/hr_writer.h"
#include "tests/support/lcmp5_writer.h"
#include "tests/support/test_support.h"

namespace korvel {
namespace {

using testing::Bytes;
using testing::PicturePtr;

bool SamePicture(const Picture* a, const Picture* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->width == b->width && a->height == b->height && memcmp(a->pixels, b->pixels, PixelBytes(*a)) == 0;
}

Bytes Pattern(size_t size, unsigned seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * seed + i / 251 + seed);
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// "HR", the unpacked length, two unread bytes, then the packed block.
Bytes HrData(const Bytes& unpacked) {
  const uint16_t size = static_cast<uint16_t>(unpacked.size());
  return Concat({'H', 'R', static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0, 0},
                testing::PackHr(unpacked));
}

// What korvel_extra makes of a file: the form's name ("" for no picture) and the picture.
struct ExtraReading {
  std::string formName;
  PicturePtr picture;
};

ExtraReading ReadWithExtra(const Bytes& file, const char* fileName) {
  const LoadedPicture loaded = LoadNamedPictureBytes(file.data(), file.size(), fileName, kKorvelExtra);
  return {loaded.formName != nullptr ? loaded.formName : "", PicturePtr(loaded.picture)};
}

// ---------------------------------------------------------------------------
// The step machinery, on steps of its own.

DecodeResult GivesPicture(const FileToRead&, const char**) { return Decoded(CreatePicture(1, 1)); }
DecodeResult GivesNamedPicture(const FileToRead&, const char** formName) {
  *formName = "rule of its own";
  return Decoded(CreatePicture(1, 1));
}
DecodeResult IsNotThisForm(const FileToRead&, const char**) { return NotThisForm(); }
DecodeResult RunsOutOfMemory(const FileToRead&, const char**) { return Decoded(nullptr); }

TEST(RecognitionSteps, FirstPictureDecidesOtherFormsPassOnAFailedAllocationEnds) {
  const RecognitionStep notThis = {"not this", Size(4), IsNotThisForm};
  const RecognitionStep picture = {"picture", Size(4), GivesPicture};
  const RecognitionStep named = {"step", Size(4), GivesNamedPicture};
  const RecognitionStep outOfMemory = {"no memory", Size(4), RunsOutOfMemory};
  const RecognitionStep otherSize = {"other size", Size(5), GivesPicture};
  struct Case {
    std::vector<RecognitionStep> steps;
    const char* expected;  // null: no picture
  } cases[] = {
      {{notThis, picture}, "picture"},
      {{otherSize, notThis, named, picture}, "rule of its own"},
      {{notThis, outOfMemory, picture}, nullptr},
      {{notThis, otherSize}, nullptr},
      {{}, nullptr},
  };
  const Bytes file(4, 0);
  const FileToRead f = {ByteSpan(file.data(), file.size()), "pic", nullptr};
  for (const Case& c : cases) {
    const StepsReading reading = RunRecognitionSteps(f, c.steps.data(), c.steps.size());
    PicturePtr owned(reading.result.picture);
    EXPECT_EQ(owned != nullptr, c.expected != nullptr);
    EXPECT_STREQ(reading.formName, c.expected);
  }
}

TEST(RecognitionSteps, SignatureExtensionAndSizeTests) {
  struct Case {
    StepTest test;
    std::string bytes;
    const char* fileName;
    bool holds;
  } cases[] = {
      {Signature("MGH"), "MGH\1", "x", true},
      {Signature("MGH"), "MG", "x", false},  // shorter than the signature
      {Signature("MGH"), "mgh\1", "x", false},
      {SignatureAnyCase("chr$"), "CHR$..", "x", true},
      {SignatureAnyCase("chr$"), "cHr$..", "x", true},
      {SignatureAnyCase("chr$"), "chr4..", "x", false},
      {Signature("PLUS3DOS\x1A"), "PLUS3DOS\x1A", "x", true},
      {Signature("PLUS3DOS\x1A"), "PLUS3DOS\x1B", "x", false},
      {Extension(".mlt", 4), "abcd", "pic.MLT", true},
      {Extension(".mlt", 4), "abcde", "pic.mlt", false},
      {Extension(".mlt", 4), "abcd", "mlt", false},          // no dot: no extension
      {Extension(".mlt", 4), "abcd", "pic.mlt.bak", false},
      {Extension(".3", 4), "abcd", "dir.3/pic", false},      // the scan runs into the folder name
      {Extension(".3", 4), "abcd", "pic.33", false},
      {Extension(".nxi", 4, 6), "abcdef", "pic.Nxi", true},
      {Extension(".tap"), "a", "pic.TAP", true},             // any size
      {Size(3), "abc", "pic.scr", true},
      {Size(3), "abcd", "pic.scr", false},
  };
  for (const Case& c : cases) {
    const FileToRead f = {ByteSpan(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), c.fileName,
                          nullptr};
    EXPECT_EQ(StepTestHolds(c.test, f), c.holds) << c.bytes << " " << c.fileName;
  }
}

// ---------------------------------------------------------------------------
// The order of recognition, with the forms that decide it.

TEST(ExtraRecognition, NamesAndSignaturesComeBeforeSizesAndHobeta) {
  const Bytes twelve = Pattern(12288, 7);
  const Bytes screen = Pattern(6912, 3);
  Bytes mgh = Concat({'M', 'G', 'H', 1, 8}, Bytes(14080 - 5, 0x47));
  struct Case {
    const char* fileName;
    Bytes file;
    const char* formName;  // "" for no picture
  } cases[] = {
      {"pic.mlt", twelve, "MLT multicolour screen"},
      {"pic.MLT", twelve, "MLT multicolour screen"},
      {"pic.mc", twelve, "multicolour screen"},   // korvel_hobeta's linear form
      {"pic.shc", twelve, "Timex hi-colour screen"},
      {"pic.mlt", Pattern(12289, 1), "Timex hi-res screen"},  // a size of its own, whatever the name
      {"pic.ifl", Pattern(9216, 5), "IFL multicolour screen"},
      {"pic.53C", Pattern(768, 5), "attribute screen"},
      {"pic.atr", Pattern(769, 5), ""},
      {"pic.scr", screen, "standard screen"},
      {"pic.$c", testing::WrapHobeta(screen), "wrapped standard screen"},
      {"pic.bsc", Pattern(11136, 9), "BSC screen with border"},
      {"pic", Pattern(6976, 9), "ULAplus screen"},
      {"pic.3", Pattern(18432, 9), "three-plane screen"},
      {"pic.scr", mgh, "MGH multicolour gigascreen"},
      {"pic.rgb", Pattern(18432, 9), "three-colour screen"},
      {"pic.RGB", Pattern(18432, 9), "three-colour screen named in capitals"},
      {"pic.xPv", Pattern(18432, 9), "three-colour screen named in capitals"},
      {"pic.txt", Bytes(1, 0), ""},
  };
  for (const Case& c : cases) {
    const ExtraReading reading = ReadWithExtra(c.file, c.fileName);
    EXPECT_EQ(reading.formName, c.formName) << c.fileName << ", " << c.file.size() << " bytes";
    EXPECT_EQ(reading.picture != nullptr, *c.formName != '\0') << c.fileName;
  }
}

// ---------------------------------------------------------------------------
// The tolerant readings: each gives the picture the plain form would.

TEST(ExtraRecognition, TolerantReadingsOfWhatKorvelHobetaRefuses) {
  const Bytes screen = Pattern(6912, 13);
  const Bytes bitmap = Pattern(6144, 17);
  const Bytes pair = Pattern(13824, 19);
  const Bytes planes = Pattern(18432, 23);
  const PicturePtr standard(DecodeStandardScreen(ByteSpan(screen.data(), screen.size())));
  const PicturePtr bitmapOnly(DecodeScreenOrBitmap(ByteSpan(bitmap.data(), bitmap.size()), 0));
  const PicturePtr gigascreen(DecodeGigascreen(ByteSpan(pair.data(), pair.size())));
  const PicturePtr threeColour(DecodeThreeColourScreen(ByteSpan(planes.data(), planes.size())));

  Bytes badChecksum = testing::WrapHobeta(screen);
  badChecksum[15] ^= 0x40;
  // LCMP5 data whose length is no whole number of sectors: cut after the data.
  const Bytes lcmp5 = testing::PackLcmp5Screen(screen);
  ASSERT_NE(lcmp5.size() % 256, 0u);
  Bytes shortFile = testing::WrapHobeta(lcmp5);
  shortFile.resize(17 + lcmp5.size());
  Bytes shortAndBad = shortFile;
  shortAndBad[16] ^= 0x01;
  Bytes tooShort = shortFile;
  tooShort.pop_back();

  struct Case {
    const char* fileName;
    Bytes file;
    const char* formName;  // "" for no picture
    const Picture* expected;
  } cases[] = {
      {"pic.$c", badChecksum, "Hobeta file with a wrong checksum", standard.get()},
      {"PIC.!S", badChecksum, "Hobeta file with a wrong checksum", standard.get()},
      {"pic.scr", badChecksum, "", nullptr},   // only Hobeta PC names are forgiven
      {"pic.$cc", badChecksum, "", nullptr},
      {"pic.$", badChecksum, "", nullptr},
      {"pic.scr", shortFile, "short Hobeta file", standard.get()},
      {"pic.$b", shortAndBad, "Hobeta file with a wrong checksum", standard.get()},
      {"pic.scr", shortAndBad, "", nullptr},
      {"pic.scr", tooShort, "", nullptr},
      {"pic.$s", testing::WrapHobeta(HrData(screen)), "HR-packed screen", standard.get()},
      {"pic.$s", testing::WrapHobeta(HrData(bitmap)), "HR-packed screen", bitmapOnly.get()},
      {"pic", lcmp5, "LCMP5-packed screen without header", standard.get()},
      {"pic", HrData(screen), "HR-packed data without header", standard.get()},
      {"pic", HrData(bitmap), "HR-packed data without header", bitmapOnly.get()},
      {"pic", HrData(pair), "HR-packed data without header", gigascreen.get()},
      {"pic", HrData(planes), "HR-packed data without header", threeColour.get()},
      {"pic", HrData(Pattern(6000, 3)), "", nullptr},  // no unpacked size of a picture
      {"pic.XPC", planes, "three-colour screen named in capitals", threeColour.get()},
  };
  for (const Case& c : cases) {
    const ExtraReading reading = ReadWithExtra(c.file, c.fileName);
    EXPECT_EQ(reading.formName, c.formName) << c.fileName;
    EXPECT_TRUE(SamePicture(reading.picture.get(), c.expected)) << c.fileName;
    // korvel_hobeta refuses every one of them.
    EXPECT_EQ(testing::LoadBytes(c.file, c.fileName, kKorvelHobeta), nullptr) << c.fileName;
  }
}

// ---------------------------------------------------------------------------
// Sizes: 1 byte to 16 MiB through the file path, larger refused unread.

TEST(ExtraRecognition, FilesUpTo16MiBAreReadAndLargerOnesRefused) {
  testing::TemporaryFolder folder;
  Bytes plus3dos(128 + 6912, 0x38);
  memcpy(plus3dos.data(), "PLUS3DOS\x1A", 9);
  plus3dos[15] = 3;
  plus3dos[16] = 6912 & 0xFF;
  plus3dos[17] = 6912 >> 8;
  unsigned sum = 0;
  for (int i = 0; i < 127; ++i) sum += plus3dos[i];
  plus3dos[127] = static_cast<uint8_t>(sum);
  struct Case {
    const char* fileName;
    size_t size;
    bool picture;
  } cases[] = {
      {"edge.scr", kMaxExtraFileBytes, true},
      {"over.scr", kMaxExtraFileBytes + size_t{1}, false},
  };
  for (const Case& c : cases) {
    Bytes file = plus3dos;
    file.resize(c.size, 0);
    const std::string path = folder.Write(c.fileName, file);
    PicturePtr picture(LoadPictureFile(path.c_str(), kKorvelExtra));
    EXPECT_EQ(picture != nullptr, c.picture) << c.size;
  }
  const std::string tiny = folder.Write("tiny.scr", Bytes(1, 0));
  EXPECT_EQ(LoadPictureFile(tiny.c_str(), kKorvelExtra), nullptr);
  const std::string empty = folder.Write("empty.scr", Bytes());
  EXPECT_EQ(LoadPictureFile(empty.c_str(), kKorvelExtra), nullptr);
}

// ---------------------------------------------------------------------------
// The host's order: rule sets that claim the extension first.

TEST(HostOrder, ExtraClaimsItsNamesBeforeKorvelHobetaReadsTheSize) {
  const Bytes twelve = Pattern(12288, 31);
  struct Case {
    const char* fileName;
    const DeliverableDescription* reader;
  } cases[] = {
      {"pic.mlt", &kKorvelExtra},
      {"pic.SHC", &kKorvelExtra},
      {"pic.mc", &kKorvelHobeta},
      {"pic.bin", &kKorvelHobeta},
  };
  for (const Case& c : cases) {
    PicturePtr viaHost(LoadPictureInHostOrder(twelve.data(), twelve.size(), c.fileName));
    PicturePtr expected = testing::LoadBytes(twelve, c.fileName, *c.reader);
    ASSERT_NE(expected, nullptr) << c.fileName;
    EXPECT_TRUE(SamePicture(viaHost.get(), expected.get())) << c.fileName;
  }
  // A file over korvel_hobeta's limit still reaches korvel_extra.
  Bytes nxi(49664, 0);
  PicturePtr big(LoadPictureInHostOrder(nxi.data(), nxi.size(), "pic.nxi"));
  EXPECT_NE(big, nullptr);
}

// ---------------------------------------------------------------------------
// Superset: wherever no step before korvel_hobeta's reading claims a file,
// korvel_extra's picture is korvel_hobeta's.

TEST(ExtraRecognition, IsASupersetOfKorvelHobeta) {
  size_t hobetaStep = 0;
  while (kKorvelExtra.steps[hobetaStep].read != ReadAsKorvelHobeta) ++hobetaStep;

  struct File {
    std::string name;
    Bytes bytes;
  };
  std::vector<File> files;
  for (const samples::Sample& sample : samples::SampleSet()) {
    files.push_back({sample.fileName, sample.bytes});
    // The same bytes under other names, cut short, and with a byte changed.
    for (const char* name : {"x.scr", "x.$c", "x.RGB", "x.mlt", "x"}) files.push_back({name, sample.bytes});
    Bytes cut = sample.bytes;
    cut.resize(cut.size() / 2 + 9);
    files.push_back({sample.fileName, cut});
    for (const size_t at : {size_t{3}, size_t{14}, size_t{20}, sample.bytes.size() / 3}) {
      Bytes changed = sample.bytes;
      if (at < changed.size()) changed[at] ^= 0x5A;
      files.push_back({sample.fileName, changed});
    }
  }
  for (const size_t size : {17u, 6144u, 6912u, 12288u, 13824u, 18432u, 24576u, 65552u, 65553u}) {
    files.push_back({"x.xpv", Pattern(size, 37)});
    files.push_back({"x.mlt", Pattern(size, 41)});
  }

  // Where korvel_hobeta gives nothing, korvel_extra gives nothing either,
  // or a picture of one of the readings after korvel_hobeta's.
  std::vector<std::string> laterNames;
  for (size_t i = hobetaStep + 1; i < kKorvelExtra.stepCount; ++i) laterNames.push_back(kKorvelExtra.steps[i].name);
  for (const char* name : {"Hobeta file with a wrong checksum", "short Hobeta file", "HR-packed screen",
                           "LCMP5-packed screen without header", "HR-packed data without header"}) {
    laterNames.push_back(name);
  }

  size_t readByHobeta = 0;
  for (const File& file : files) {
    SCOPED_TRACE(file.name + ", " + std::to_string(file.bytes.size()) + " bytes");
    const FileToRead early = {ByteSpan(file.bytes.data(), file.bytes.size()), file.name.c_str(), nullptr};
    PicturePtr claimed(RunRecognitionSteps(early, kKorvelExtra.steps, hobetaStep).result.picture);
    if (claimed != nullptr) continue;
    PicturePtr hobeta = testing::LoadBytes(file.bytes, file.name, kKorvelHobeta);
    const ExtraReading extra = ReadWithExtra(file.bytes, file.name.c_str());
    if (hobeta != nullptr) {
      ++readByHobeta;
      EXPECT_TRUE(SamePicture(extra.picture.get(), hobeta.get()));
    } else if (extra.picture != nullptr) {
      EXPECT_NE(std::find(laterNames.begin(), laterNames.end(), extra.formName), laterNames.end()) << extra.formName;
    }
  }
  EXPECT_GE(readByHobeta, 100u);
}

}  // namespace
}  // namespace korvel
