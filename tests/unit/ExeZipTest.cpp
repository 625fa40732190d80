#include <gtest/gtest.h>
#include <zip.h>

#include <thread>

#include "PackageTestSupport.h"
#include "core/package/ExeUtils.h"
#include "core/package/ExeZip.h"
#include "core/package/PackageWriter.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

using test::TTempDir;

constexpr const char* Password = "Test-Pass9#word";

// Writes an archive with one entry of each kind the reader must handle.
void WriteMixedArchive(const std::filesystem::path& path) {
  int error = 0;
  zip_t* z = zip_open(PathToUtf8(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  struct TEntry {
    const char* Name;
    const char* Text;
    zip_int32_t Method;
    zip_uint16_t Cipher;
  };
  static const TEntry entries[] = {
      {"app/Index.HTML", "<h1>stored, zipcrypto</h1>", ZIP_CM_STORE, ZIP_EM_TRAD_PKWARE},
      {"app/deflated.txt", "deflated deflated deflated deflated", ZIP_CM_DEFLATE, ZIP_EM_TRAD_PKWARE},
      {"app/aes.txt", "aes encrypted", ZIP_CM_DEFLATE, ZIP_EM_AES_256},
      {"zel.ini", "[App]\nID=x\n", ZIP_CM_DEFLATE, ZIP_EM_NONE},
      {"app/plain.bin", "stored without encryption", ZIP_CM_STORE, ZIP_EM_NONE},
  };
  for (const auto& e : entries) {
    zip_source_t* s = zip_source_buffer(z, e.Text, strlen(e.Text), 0);
    const zip_int64_t i = zip_file_add(z, e.Name, s, 0);
    ASSERT_GE(i, 0);
    zip_set_file_compression(z, i, e.Method, 0);
    if (e.Cipher != ZIP_EM_NONE) {
      ASSERT_EQ(zip_file_set_encryption(z, i, e.Cipher, Password), 0);
    }
  }
  ASSERT_EQ(zip_close(z), 0);
}

class ExeZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteMixedArchive(FDir / "p.zip");
    FBytes = test::ReadFile(FDir / "p.zip");
  }
  std::span<const std::uint8_t> Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(FBytes.data()), FBytes.size()};
  }
  TTempDir FDir;
  std::string FBytes;
};

TEST_F(ExeZipTest, ReadsEveryKindOfEntryFromMemory) {
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromMemory(Bytes());
  const std::pair<const char*, const char*> cases[] = {
      {"app/Index.HTML", "<h1>stored, zipcrypto</h1>"},
      {"app/deflated.txt", "deflated deflated deflated deflated"},
      {"app/aes.txt", "aes encrypted"},
      {"zel.ini", "[App]\nID=x\n"},
  };
  for (const auto& [name, text] : cases) {
    SCOPED_TRACE(name);
    TMemoryStream out;
    EXPECT_TRUE(zip.ExtractToStream(name, out));
    EXPECT_EQ(out.AsString(), text);
  }
}

// A range of a video starts at its offset where the entry's bytes lie in the
// package as they are; any other entry refuses the seek and still reads
// whole from its start.
TEST_F(ExeZipTest, OnlyStoredEntriesWithoutEncryptionSeek) {
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromMemory(Bytes());
  const struct {
    const char* Name;
    const char* Text;
    bool Seeks;
  } cases[] = {
      {"app/plain.bin", "stored without encryption", true},
      {"app/Index.HTML", "<h1>stored, zipcrypto</h1>", false},
      {"app/deflated.txt", "deflated deflated deflated deflated", false},
      {"app/aes.txt", "aes encrypted", false},
      {"zel.ini", "[App]\nID=x\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto reader = zip.OpenEntry(static_cast<std::size_t>(zip.FindFile(c.Name)));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->Seek(reader->Size() + 1));
    EXPECT_EQ(reader->Seek(5), c.Seeks);
    std::string rest(100, '\0');
    rest.resize(reader->Read(rest.data(), rest.size()));
    EXPECT_EQ(rest, std::string(c.Text).substr(c.Seeks ? 5 : 0));
  }
}

// A media range is read on a worker thread while the user-interface thread
// answers other requests from the same archive.
TEST_F(ExeZipTest, ReadersOfOneArchiveMayRunOnDifferentThreads) {
  std::string texts[2];
  {
    TPackageWriter writer(FDir / "big.zip", Password, TPackageEncryption::TraditionalPkware);
    for (int i = 0; i < 2; ++i) {
      for (std::uint64_t line = 0; texts[i].size() < 3 * 1024 * 1024; ++line)
        texts[i] += std::to_string(i) + ":" + std::to_string(line * 7919 % 100003) + "\n";
      writer.AddBytes("entry" + std::to_string(i) + ".txt", texts[i]);
    }
    writer.Commit();
  }
  const std::string bytes = test::ReadFile(FDir / "big.zip");
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  const auto readAll = [&](int i) {
    const auto reader =
        zip.OpenEntry(static_cast<std::size_t>(zip.FindFile("entry" + std::to_string(i) + ".txt")));
    std::string out;
    char buffer[4096];
    while (const std::size_t n = reader->Read(buffer, sizeof buffer)) out.append(buffer, n);
    return out;
  };
  std::string onWorker;
  std::thread worker([&] { onWorker = readAll(0); });
  const std::string here = readAll(1);
  worker.join();
  EXPECT_TRUE(onWorker == texts[0]);
  EXPECT_TRUE(here == texts[1]);
}

TEST_F(ExeZipTest, FindFileIgnoresAsciiCaseOnly) {
  TExeZip zip;
  zip.OpenFromMemory(Bytes());
  EXPECT_EQ(zip.FindFile("app/Index.HTML"), 0);
  EXPECT_EQ(zip.FindFile("APP/index.html"), 0);
  EXPECT_EQ(zip.FindFile("ZEL.INI"), 3);
  EXPECT_EQ(zip.FindFile("app/missing.html"), -1);
  EXPECT_EQ(zip.FindFile("app/Index.HTM"), -1);
  EXPECT_EQ(FoldAsciiCase("ÄB"), "Äb");  // non-ASCII letters keep their case
}

TEST_F(ExeZipTest, MissingEntryWritesNothingAndWrongPasswordRaisesNothing) {
  TExeZip zip;
  zip.SetPassword("wrong");
  zip.OpenFromMemory(Bytes());
  TMemoryStream out;
  out.Write("keep", 4);
  EXPECT_FALSE(zip.ExtractToStream("no/such/entry", out));
  EXPECT_EQ(out.AsString(), "keep");
  EXPECT_NO_THROW(EXPECT_FALSE(zip.ExtractToStream("app/deflated.txt", out)));
  EXPECT_EQ(zip.ExtractToString("zel.ini"), "[App]\nID=x\n");  // unencrypted still reads
}

TEST_F(ExeZipTest, OpenFromStreamKeepsUsingTheStream) {
  TMemoryStream stream;
  stream.Write(FBytes.data(), FBytes.size());
  TExeZip zip;
  zip.SetPassword(Password);
  zip.OpenFromStream(stream);
  EXPECT_EQ(zip.ExtractToString("app/aes.txt"), "aes encrypted");
}

TEST_F(ExeZipTest, NotAnArchiveFailsToOpen) {
  TExeZip zip;
  const std::uint8_t oneByte[] = {'P'};
  EXPECT_THROW(zip.OpenFromMemory(oneByte), EZipError);
  EXPECT_FALSE(zip.Active());
}

TEST(PackageWriter, WritesEncryptedArchiveAndStoresCompressedMedia) {
  TTempDir dir;
  const std::string text(5000, 'a');
  for (auto encryption : {TPackageEncryption::TraditionalPkware, TPackageEncryption::Aes256}) {
    {
      TPackageWriter writer(dir / "w.zip", Password, encryption);
      writer.AddBytes("app/page.html", text);
      writer.AddBytes("app/clip.MP4", text);
      writer.Commit();
    }
    const std::string bytes = test::ReadFile(dir / "w.zip");
    TExeZip zip;
    zip.SetPassword(Password);
    zip.OpenFromMemory({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_EQ(zip.EntryCount(), 2u);
    const std::uint16_t cipher = encryption == TPackageEncryption::Aes256 ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
    EXPECT_EQ(zip.Entry(0).EncryptionMethod, cipher);
    EXPECT_EQ(zip.Entry(0).CompressionMethod, ZIP_CM_DEFLATE);
    EXPECT_EQ(zip.Entry(1).CompressionMethod, ZIP_CM_STORE);
    EXPECT_EQ(zip.ExtractToString("app/page.html"), text);
    EXPECT_EQ(zip.ExtractToString("app/clip.mp4"), text);
  }
}

TEST(PackageWriter, NothingIsWrittenWithoutCommit) {
  TTempDir dir;
  { TPackageWriter writer(dir / "w.zip", Password, TPackageEncryption::TraditionalPkware); writer.AddBytes("a", "b"); }
  EXPECT_FALSE(std::filesystem::exists(dir / "w.zip"));
}

}  // namespace
}  // namespace zel
