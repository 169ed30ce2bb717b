// CZipManager over real archives written by minizip's zip side: the
// clean-up rules, attributes, times, result codes, and the check that keeps
// every write inside the destination folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "archive_builder.h"
#include "package_bytes.h"
#include "handles.h"
#include "pkware_check.h"
#include "test_env.h"
#include "text_convert.h"
#include "tree_listing.h"
#include "updater_flow.h"
#include "zip_manager.h"
#include "zip_archive.h"

namespace {

using namespace tavrin;
using namespace tavrin::test;

const std::string kPassword = kPackagePassword;

std::wstring wide(const std::string& utf8) { return utf8ToWide(utf8); }

uint64_t lastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

class ZipExtraction : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(::CreateDirectoryW(wide(dest()).c_str(), nullptr)); }

  std::string archive() const { return root.file("package.zip"); }
  std::string dest() const { return root.file("dest"); }
  std::string destFile(const std::string& name) const { return dest() + "\\" + name; }

  bool extractAll(const std::string& password = kPassword) {
    CZipManager zip;
    const bool extracted = zip.open(wide(archive()).c_str(), password.c_str()) &&
                           zip.setDestination(wide(dest()).c_str()) && zip.extractAll();
    m_lastResult = zip.lastResult();
    return extracted;
  }
  // The result of the last extractAll.
  ZipResult lastZipResult() const { return m_lastResult; }

  // Everything under the test's folder, relative to it.
  std::set<std::string> everything() const { return listTree(root.path()); }

  TempDir root{"zip extraction"};
  ZipResult m_lastResult = kZipOk;
};

TEST_F(ZipExtraction, DriveAndParentPrefixesAreCutOff) {
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("C:\\Windows\\x.dll", "dll bytes", kPassword)
                  .addFile("a\\..\\b.txt", "b text", kPassword)
                  .writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  wchar_t name[kItemNameLength] = {};
  ASSERT_EQ(zip.getItemName(0, name), 1);
  EXPECT_EQ(std::wstring(name), L"Windows\\x.dll");
  ASSERT_EQ(zip.getItemName(1, name), 1);
  EXPECT_EQ(std::wstring(name), L"b.txt");
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  ASSERT_EQ(zip.extractAll(), 1);
  zip.close();

  EXPECT_EQ(readFile(destFile("Windows\\x.dll")), "dll bytes");
  EXPECT_EQ(readFile(destFile("b.txt")), "b text");
  EXPECT_EQ(everything(),
            (std::set<std::string>{"package.zip", "dest", "dest\\Windows", "dest\\Windows\\x.dll", "dest\\b.txt"}));
}

TEST_F(ZipExtraction, EmptyArchiveSucceedsWithoutWriting) {
  ASSERT_TRUE(ArchiveBuilder().writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  int count = -1;
  ASSERT_EQ(zip.getItemCount(&count), 1);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  EXPECT_EQ(zip.extractAll(), 1);
  EXPECT_EQ(everything(), (std::set<std::string>{"package.zip", "dest"}));
}

TEST_F(ZipExtraction, NamesAreTakenInTheAnsiCodePage) {
  // "嘰" is 0x87 0x5C in code page 936: its second byte is a backslash,
  // which must not split the name.
  ASSERT_TRUE(ArchiveBuilder().addFile("\xca\xfd\xbe\xdd\x87\x5c.txt", "data", kPassword).writeTo(archive()));
  ASSERT_TRUE(extractAll());
  EXPECT_EQ(everything(),
            (std::set<std::string>{"package.zip", "dest", "dest\\\xe6\x95\xb0\xe6\x8d\xae\xe5\x98\xb0.txt"}));
}

// Names flagged as UTF-8 (as 7-Zip and current zip tools store non-ASCII
// names) are read as UTF-8 and cleaned up like the others; the same bytes
// without the flag keep the ANSI reading.
TEST_F(ZipExtraction, NamesFlaggedAsUtf8AreTakenAsUtf8) {
  const std::string name = "\xe5\x90\x8d\xe5\xad\x97";  // "名字" in UTF-8
  ASSERT_TRUE(ArchiveBuilder()
                  .addUtf8File(name + ".txt", "utf-8 name", kPassword)
                  .addUtf8File("C:\\" + name + "\\..\\" + name + "/inner.txt", "cleaned up", kPassword)
                  .addFile(name + ".ansi", "ansi name", kPassword)
                  .writeTo(archive()));
  ASSERT_TRUE(extractAll());
  // The unflagged bytes read in code page 936: "鍚嶅瓧".
  const std::string asAnsi = "\xe9\x8d\x9a\xe5\xb6\x85\xe7\x93\xa7";
  EXPECT_EQ(everything(), (std::set<std::string>{"package.zip", "dest", "dest\\" + name + ".txt", "dest\\" + name,
                                                 "dest\\" + name + "\\inner.txt", "dest\\" + asAnsi + ".ansi"}));
  EXPECT_EQ(readFile(destFile(name + ".txt")), "utf-8 name");
  EXPECT_EQ(readFile(destFile(name + "\\inner.txt")), "cleaned up");
}

// A wrong password is one the header check refuses; the archive is
// written again until its random header does refuse it.
TEST_F(ZipExtraction, WrongPasswordStopsAtTheFirstEncryptedEntry) {
  const std::string wrong = "not the password";
  ArchiveBuilder builder;
  builder.addFile("first.txt", "plain").addFile("second.txt", "secret", kPassword).addFile("third.txt", "plain");
  bool refused = false;
  for (int attempt = 0; attempt < 50 && !refused; ++attempt) {
    ASSERT_TRUE(builder.writeTo(archive()));
    EncryptionHeader header = readFirstEncryptionHeader(archive());
    ASSERT_TRUE(header.found);
    refused = !passwordFitsHeader(wrong, header.bytes, encryptionCheckByte(header.flags, header.crc, header.dosStamp));
  }
  ASSERT_TRUE(refused);
  ASSERT_TRUE(writeFile(destFile("second.txt"), "installed before"));

  EXPECT_FALSE(extractAll(wrong));
  EXPECT_EQ(lastZipResult(), kZipWrongPassword);
  EXPECT_EQ(readFile(destFile("first.txt")), "plain");
  EXPECT_EQ(readFile(destFile("second.txt")), "installed before") << "the check comes before the file is created";
  EXPECT_FALSE(pathExists(destFile("third.txt")));
}

// One wrong password in 256 passes the header check; the data then does
// not inflate or fails its CRC, which cannot be told apart from damaged
// data and is reported as such.
TEST_F(ZipExtraction, WrongPasswordThatPassesTheHeaderCheckFailsAsDamagedData) {
  const std::string wrong = "not the password";
  ArchiveBuilder builder;
  builder.addFile("secret.bin", packageBytes(5000, 7), kPassword);
  bool passes = false;
  for (int attempt = 0; attempt < 5000 && !passes; ++attempt) {
    ASSERT_TRUE(builder.writeTo(archive()));
    EncryptionHeader header = readFirstEncryptionHeader(archive());
    ASSERT_TRUE(header.found);
    passes = passwordFitsHeader(wrong, header.bytes, encryptionCheckByte(header.flags, header.crc, header.dosStamp));
  }
  ASSERT_TRUE(passes);
  EXPECT_FALSE(extractAll(wrong));
  EXPECT_EQ(lastZipResult(), kZipInflateFailed);
  EXPECT_TRUE(extractAll(kPassword));
  EXPECT_EQ(readFile(destFile("secret.bin")), packageBytes(5000, 7));
}

TEST_F(ZipExtraction, AFileThatIsNoArchiveDoesNotOpen) {
  ASSERT_TRUE(writeFile(archive(), "This is a text file, not a ZIP archive.\r\n"));
  CZipManager zip;
  EXPECT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 0);
  EXPECT_EQ(zip.lastResult(), kZipCannotOpenFile);
  int count = 0;
  EXPECT_EQ(zip.getItemCount(&count), 0) << "a failed open leaves no archive open";
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
}

TEST_F(ZipExtraction, AMissingArchiveDoesNotOpen) {
  CZipManager zip;
  EXPECT_EQ(zip.open(wide(root.file("missing.zip")).c_str(), kPassword.c_str()), 0);
  EXPECT_EQ(zip.lastResult(), kZipCannotOpenFile);
}

TEST_F(ZipExtraction, UnixModesAndFolders) {
  ArchiveEntry readOnly;
  readOnly.storedName = "docs/readme.txt";
  readOnly.content = "read me";
  readOnly.versionMadeBy = kMadeOnUnix;
  readOnly.externalAttributes = unixMode(0100444);
  readOnly.password = kPassword;
  ArchiveEntry writable = readOnly;
  writable.storedName = "docs/notes.txt";
  writable.externalAttributes = unixMode(0100644);
  ASSERT_TRUE(ArchiveBuilder()
                  .addUnixFolder("docs/")
                  .add(readOnly)
                  .add(writable)
                  .addUnixFolder("empty/inner/")
                  .writeTo(archive()));
  ASSERT_TRUE(extractAll());

  unsigned long docs = fileAttributes(destFile("docs"));
  ASSERT_NE(docs, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(docs & FILE_ATTRIBUTE_DIRECTORY);
  unsigned long inner = fileAttributes(destFile("empty\\inner"));
  ASSERT_NE(inner, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(inner & FILE_ATTRIBUTE_DIRECTORY);
  unsigned long ro = fileAttributes(destFile("docs\\readme.txt"));
  ASSERT_NE(ro, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ro & FILE_ATTRIBUTE_READONLY);
  unsigned long rw = fileAttributes(destFile("docs\\notes.txt"));
  ASSERT_NE(rw, INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(rw & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(readFile(destFile("docs\\readme.txt")), "read me") << "written through the handle it was created with";
}

TEST_F(ZipExtraction, DosAttributesAreApplied) {
  ArchiveEntry hidden;
  hidden.storedName = "hidden.dat";
  hidden.content = "h";
  hidden.externalAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  ArchiveEntry readOnly = hidden;
  readOnly.storedName = "readonly.dat";
  readOnly.externalAttributes = FILE_ATTRIBUTE_READONLY;
  ASSERT_TRUE(ArchiveBuilder().add(hidden).add(readOnly).writeTo(archive()));
  ASSERT_TRUE(extractAll());
  EXPECT_TRUE(fileAttributes(destFile("hidden.dat")) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(fileAttributes(destFile("readonly.dat")) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(fileAttributes(destFile("readonly.dat")) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(ZipExtraction, ExtendedTimestampWinsOverTheDosTime) {
  ArchiveEntry stamped;
  stamped.storedName = "stamped.txt";
  stamped.content = "stamped";
  stamped.password = kPassword;
  stamped.centralExtra = extendedTimestamp(1500000000u);
  ArchiveEntry dosOnly = stamped;
  dosOnly.storedName = "dos-only.txt";
  dosOnly.centralExtra.clear();
  ASSERT_TRUE(ArchiveBuilder().add(stamped).add(dosOnly).writeTo(archive()));
  ASSERT_TRUE(extractAll());

  EXPECT_EQ(lastWriteTime(destFile("stamped.txt")), 131444736000000000ull);  // 2017-07-14 02:40:00 UTC
  // 2001-01-01 12:00:00 local time, whatever the time zone.
  const int64_t noonUtc2001 = 126228240000000000ll;
  int64_t dosTime = static_cast<int64_t>(lastWriteTime(destFile("dos-only.txt")));
  EXPECT_LE(std::llabs(dosTime - noonUtc2001), 14ll * 3600 * 10000000);
}

TEST_F(ZipExtraction, ReadOnlyExistingFileStopsExtraction) {
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("a.txt", "new a", kPassword)
                  .addFile("b.txt", "new b", kPassword)
                  .addFile("c.txt", "new c", kPassword)
                  .writeTo(archive()));
  ASSERT_TRUE(writeFile(destFile("b.txt"), "old b"));
  ASSERT_TRUE(::SetFileAttributesW(wide(destFile("b.txt")).c_str(), FILE_ATTRIBUTE_READONLY));

  EXPECT_FALSE(extractAll());
  EXPECT_EQ(lastZipResult(), kZipCannotOpenFile);
  EXPECT_EQ(readFile(destFile("a.txt")), "new a");
  EXPECT_EQ(readFile(destFile("b.txt")), "old b");
  EXPECT_FALSE(pathExists(destFile("c.txt")));
}

TEST_F(ZipExtraction, ExistingFilesAreReplaced) {
  ASSERT_TRUE(ArchiveBuilder().addFile("a.txt", "new", kPassword).writeTo(archive()));
  ASSERT_TRUE(writeFile(destFile("a.txt"), "an older and longer content"));
  ASSERT_TRUE(extractAll());
  EXPECT_EQ(readFile(destFile("a.txt")), "new");
}

TEST_F(ZipExtraction, LargeEntriesSurviveTheTransferBuffer) {
  ArchiveEntry stored;
  stored.storedName = "stored.bin";
  stored.content = packageBytes(70000, 1);
  stored.password = kPassword;
  stored.deflate = false;
  ArchiveEntry deflated = stored;
  deflated.storedName = "deflated.bin";
  deflated.content = std::string(100000, 'x') + packageBytes(50000, 2);
  deflated.deflate = true;
  ArchiveEntry empty = stored;
  empty.storedName = "empty.bin";
  empty.content.clear();
  ASSERT_TRUE(ArchiveBuilder().add(stored).add(deflated).add(empty).writeTo(archive()));
  ASSERT_TRUE(extractAll());
  EXPECT_EQ(readFile(destFile("stored.bin")), stored.content);
  EXPECT_EQ(readFile(destFile("deflated.bin")), deflated.content);
  EXPECT_TRUE(pathExists(destFile("empty.bin")));
  EXPECT_EQ(readFile(destFile("empty.bin")), "");
}

// Hundreds of headers spread over many of the reader's blocks, entries
// larger than a block, and a walk backwards through the archive.
TEST_F(ZipExtraction, ManyEntriesAcrossReadBlocksComeOutWholeInAnyOrder) {
  const size_t kSizes[] = {0, 7, 1500, 65535, 65537, 140000};
  std::vector<ArchiveEntry> entries;
  ArchiveBuilder builder;
  for (int i = 0; i < 240; ++i) {
    ArchiveEntry entry;
    entry.storedName =
        "folder" + std::to_string(i % 7) + "/sub" + std::to_string(i % 3) + "/file" + std::to_string(i) + ".bin";
    size_t size = kSizes[i % 6];
    entry.content = (i % 2) ? packageBytes(size, static_cast<uint32_t>(i)) : std::string(size, 'a' + i % 26);
    entry.password = (i % 5 == 0) ? std::string() : kPassword;
    entry.deflate = (i % 4 != 0);
    builder.add(entry);
    entries.push_back(entry);
  }
  ASSERT_TRUE(builder.writeTo(archive()));
  ASSERT_TRUE(extractAll());
  for (const ArchiveEntry& entry : entries) {
    std::string path = entry.storedName;
    for (char& c : path) c = c == '/' ? '\\' : c;
    ASSERT_EQ(readFile(destFile(path)), entry.content) << entry.storedName;
  }

  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  for (int i = static_cast<int>(entries.size()) - 1; i >= 0; i -= 17) {
    std::wstring name = L"backwards\\" + std::to_wstring(i) + L".bin";
    ASSERT_EQ(zip.extractItem(i, name.c_str()), 1) << i;
    EXPECT_EQ(readFile(destFile("backwards\\" + std::to_string(i) + ".bin")), entries[i].content) << i;
  }
}

// Folders made for one entry are not looked at again for the next one of
// the same folder; one removed in between is made again.
TEST_F(ZipExtraction, AFolderRemovedBetweenTwoExtractionsIsMadeAgain) {
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("deep/er/one.txt", "1", kPassword)
                  .addFile("deep/er/two.txt", "2", kPassword)
                  .addFile("deep/er/three.txt", "", kPassword)
                  .writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  ASSERT_EQ(zip.extractItem(0, L"deep\\er\\one.txt"), 1);
  ASSERT_TRUE(removeTree(destFile("deep")));
  EXPECT_EQ(zip.extractItem(1, L"deep\\er\\two.txt"), 1);
  EXPECT_EQ(readFile(destFile("deep\\er\\two.txt")), "2");
  ASSERT_TRUE(removeTree(destFile("deep")));
  EXPECT_EQ(zip.extractItem(2, L"deep\\er\\three.txt"), 1);
  EXPECT_TRUE(pathExists(destFile("deep\\er\\three.txt")));
}

// Damaged archives: each fails with its code, at open or at the damaged
// entry; the entries before it are extracted.
struct DamageCase {
  const char* label;
  bool encrypted;
  // Changes the bytes of an archive of two entries, "first.txt" and
  // "data.bin" (stored, 5000 bytes); false when the damage cannot be made.
  bool (*damage)(std::string& bytes);
  bool opens;
  ZipResult code;
};

std::ostream& operator<<(std::ostream& out, const DamageCase& damage) { return out << damage.label; }

uint32_t readUint32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void writeUint32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

const std::string kSecondSignature("PK\x01\x02", 4);
const std::string kEndSignature("PK\x05\x06", 4);

const DamageCase kDamageCases[] = {
    // A byte of the second entry's data, well past the 12-byte header of
    // an encrypted entry: a CRC error, encrypted or not.
    {"StoredData", false,
     [](std::string& bytes) {
       size_t at = bytes.find("data.bin");
       if (at == std::string::npos || at + 2600 >= bytes.size()) return false;
       bytes[at + 2600] ^= 0x01;
       return true;
     },
     true, kZipInflateFailed},
    {"EncryptedData", true,
     [](std::string& bytes) {
       size_t at = bytes.find("data.bin");
       if (at == std::string::npos || at + 2600 >= bytes.size()) return false;
       bytes[at + 2600] ^= 0x01;
       return true;
     },
     true, kZipInflateFailed},
    // The second record of the central directory no longer is one.
    {"CentralRecord", false,
     [](std::string& bytes) {
       size_t first = bytes.find(kSecondSignature);
       size_t second = first == std::string::npos ? first : bytes.find(kSecondSignature, first + 4);
       if (second == std::string::npos) return false;
       bytes[second + 3] = 0x09;
       return true;
     },
     true, kZipDirectoryDamaged},
    // The end record places the directory beyond the end of the file.
    {"DirectoryBeyondTheEnd", false,
     [](std::string& bytes) {
       size_t end = bytes.rfind(kEndSignature);
       if (end == std::string::npos || end + 22 > bytes.size()) return false;
       writeUint32(bytes, end + 16, readUint32(bytes, end + 16) + 0x10000);
       return true;
     },
     false, kZipDirectoryDamaged},
    // A transfer cut in the middle: the archive's beginning, no end.
    {"CutShort", true,
     [](std::string& bytes) {
       bytes.resize(bytes.size() / 2);
       return bytes.rfind(kEndSignature) == std::string::npos;
     },
     false, kZipReadFailed},
};

class DamagedArchive : public ZipExtraction, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedArchive, FailsWithItsCode) {
  const DamageCase& damage = GetParam();
  std::string password = damage.encrypted ? kPassword : std::string();
  ArchiveEntry data;
  data.storedName = "data.bin";
  data.content = packageBytes(5000, 11);
  data.password = password;
  data.deflate = false;
  ASSERT_TRUE(ArchiveBuilder().addFile("first.txt", "first", password).add(data).writeTo(archive()));
  std::string bytes = readFile(archive());
  ASSERT_TRUE(damage.damage(bytes));
  ASSERT_TRUE(writeFile(archive(), bytes));

  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), damage.opens ? 1 : 0);
  if (damage.opens) {
    ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
    EXPECT_EQ(zip.extractAll(), 0);
    EXPECT_EQ(readFile(destFile("first.txt")), "first");
  }
  EXPECT_EQ(zip.lastResult(), damage.code);
  EXPECT_FALSE(pathExists(destFile("data.bin")));
  EXPECT_FALSE(pathExists(destFile("data.bin.mirup~")));
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedArchive, ::testing::ValuesIn(kDamageCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                           return std::string(info.param.label);
                         });

// An entry is put in place only once it is whole: damaged data (as a
// process stopped half-way would leave) never replaces an existing file
// with part of the new one, and leaves no staging file behind.
TEST_F(ZipExtraction, AFailedEntryLeavesTheExistingFileWhole) {
  ArchiveEntry entry;
  entry.storedName = "tavrin.exe";
  entry.content = packageBytes(200000, 3) + "MARKER" + packageBytes(1000, 4);
  entry.deflate = false;
  ASSERT_TRUE(ArchiveBuilder().add(entry).writeTo(archive()));
  std::string bytes = readFile(archive());
  size_t at = bytes.find("MARKER");
  ASSERT_NE(at, std::string::npos);
  bytes[at] ^= 0x01;
  ASSERT_TRUE(writeFile(archive(), bytes));
  const std::string old = packageBytes(300000, 5);
  ASSERT_TRUE(writeFile(destFile("tavrin.exe"), old));

  EXPECT_FALSE(extractAll());
  EXPECT_EQ(lastZipResult(), kZipInflateFailed);
  EXPECT_TRUE(readFile(destFile("tavrin.exe")) == old) << "the old program is left whole";
  EXPECT_EQ(everything(), (std::set<std::string>{"dest", "dest\\tavrin.exe", "package.zip"}));
}

// A staging file an interrupted run left is reused and disappears with the
// next extraction of its entry.
TEST_F(ZipExtraction, AStagingFileLeftByAnInterruptedRunIsReplaced) {
  ASSERT_TRUE(ArchiveBuilder().addFile("a.txt", "new a", kPassword).writeTo(archive()));
  ASSERT_TRUE(writeFile(destFile("a.txt.mirup~"), "half of an earlier a"));
  ASSERT_TRUE(::SetFileAttributesW(wide(destFile("a.txt.mirup~")).c_str(), FILE_ATTRIBUTE_READONLY));

  ASSERT_TRUE(extractAll());
  EXPECT_EQ(readFile(destFile("a.txt")), "new a");
  EXPECT_EQ(everything(), (std::set<std::string>{"dest", "dest\\a.txt", "package.zip"}));
}

// A file that is open without sharing is not replaced; the entry fails as
// when the file cannot be created, and the open file keeps its bytes.
TEST_F(ZipExtraction, AFileInUseStopsExtraction) {
  ASSERT_TRUE(
      ArchiveBuilder().addFile("a.txt", "new a", kPassword).addFile("b.txt", "new b", kPassword).writeTo(archive()));
  ASSERT_TRUE(writeFile(destFile("a.txt"), "old a"));
  UniqueFileHandle inUse(::CreateFileW(wide(destFile("a.txt")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(inUse);

  EXPECT_FALSE(extractAll());
  EXPECT_EQ(lastZipResult(), kZipCannotOpenFile);
  inUse.reset();
  EXPECT_EQ(readFile(destFile("a.txt")), "old a");
  EXPECT_EQ(everything(), (std::set<std::string>{"dest", "dest\\a.txt", "package.zip"}));
}

// Targets whose staging name passes the path limit, and targets beyond the
// limit themselves, are staged like any other. The 255-character target
// replaces an older file and takes a staging file an interrupted run left
// with it, which only the staging name reaches; the longer one makes its
// folders beyond the limit too.
struct LongTarget {
  const char* label;
  size_t targetLength;
  size_t folderPathLength;  // of the target's folder, two levels under the destination
  bool existing;            // an older file and a stale staging file are there
};

std::ostream& operator<<(std::ostream& out, const LongTarget& target) { return out << target.label; }

class LongTargets : public ZipExtraction, public ::testing::WithParamInterface<LongTarget> {
 protected:
  void TearDown() override { removeTree(inLongForm(dest())); }
  static std::string inLongForm(const std::string& path) { return "\\\\?\\" + path; }
};

TEST_P(LongTargets, AreStagedAndArriveWhole) {
  const LongTarget& wanted = GetParam();
  ASSERT_GT(wanted.folderPathLength, dest().size() + 3);
  size_t folderLength = wanted.folderPathLength - dest().size() - 1;
  size_t half = folderLength / 2;
  std::string folder = std::string(half, 'f') + "\\" + std::string(folderLength - half - 1, 'g');
  ASSERT_GT(wanted.targetLength, dest().size() + folder.size() + 2 + 4);
  std::string fileName = std::string(wanted.targetLength - dest().size() - folder.size() - 2 - 4, 'n') + ".bin";
  std::string target = destFile(folder + "\\" + fileName);
  ASSERT_EQ(target.size(), wanted.targetLength);
  std::string longTarget = inLongForm(target);
  if (wanted.existing) {
    ASSERT_TRUE(::CreateDirectoryW(wide(inLongForm(destFile(folder.substr(0, half)))).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(wide(inLongForm(destFile(folder))).c_str(), nullptr));
    ASSERT_TRUE(writeFile(longTarget, "an older and longer content"));
    ASSERT_TRUE(writeFile(longTarget + ".mirup~", "half of an earlier run"));
    ASSERT_TRUE(::SetFileAttributesW(wide(longTarget + ".mirup~").c_str(), FILE_ATTRIBUTE_READONLY));
  }
  std::string storedName = folder + "/" + fileName;
  ASSERT_LE(storedName.size(), 260u) << "stored names are read up to 260 bytes";
  for (char& c : storedName) c = c == '\\' ? '/' : c;
  const std::string content = packageBytes(40000, 9);
  ASSERT_TRUE(ArchiveBuilder().addFile(storedName, content, kPassword).writeTo(archive()));

  EXPECT_TRUE(extractAll());
  EXPECT_TRUE(readFile(longTarget) == content) << "the new content, whole";
  EXPECT_EQ(listTree(inLongForm(dest())),
            (std::set<std::string>{folder.substr(0, half), folder, folder + "\\" + fileName}))
      << "no staging file is left";
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongTargets,
                         ::testing::Values(LongTarget{"Target255", 255, 150, true},
                                           LongTarget{"Target300", 300, 262, false}),
                         [](const ::testing::TestParamInfo<LongTarget>& info) {
                           return std::string(info.param.label);
                         });

TEST_F(ZipExtraction, ItemsAreCountedAndNamed) {
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("one.txt", "1")
                  .addFile("/two/2.txt", "2", kPassword)
                  .addUnixFolder("three/")
                  .writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  int count = 0;
  ASSERT_EQ(zip.getItemCount(&count), 1);
  EXPECT_EQ(count, 3);
  wchar_t name[kItemNameLength] = {};
  ASSERT_EQ(zip.getItemName(2, name), 1);
  EXPECT_EQ(std::wstring(name), L"three/");
  ASSERT_EQ(zip.getItemName(1, name), 1);
  EXPECT_EQ(std::wstring(name), L"two/2.txt");
  EXPECT_EQ(zip.getItemName(3, name), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  EXPECT_EQ(zip.getItemName(-2, name), 0);
}

TEST_F(ZipExtraction, OneEntryToAChosenName) {
  ASSERT_TRUE(ArchiveBuilder().addFile("one.txt", "1").addFile("two.txt", "2", kPassword).writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  EXPECT_EQ(zip.extractItem(1, L"sub\\renamed.txt"), 1);
  EXPECT_EQ(readFile(destFile("sub\\renamed.txt")), "2");
  EXPECT_EQ(zip.extractItem(0, L"..\\escaped.txt"), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  EXPECT_EQ(zip.extractItem(0, wide(root.file("absolute.txt")).c_str()), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  EXPECT_EQ(zip.extractItem(0, L"one.txt:stream"), 0);
  EXPECT_EQ(zip.extractItem(0, nullptr), 0);
  EXPECT_EQ(zip.extractItem(5, L"five.txt"), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  EXPECT_EQ(everything(), (std::set<std::string>{"package.zip", "dest", "dest\\sub", "dest\\sub\\renamed.txt"}));
}

TEST_F(ZipExtraction, OneEntryByItsStoredName) {
  ASSERT_TRUE(ArchiveBuilder()
                  .addFile("Sub/File.TXT", "by name", kPassword)
                  .addFile("other.txt", "other", kPassword)
                  .writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(wide(dest()).c_str()), 1);
  wchar_t fileName[kItemNameLength] = {};
  // Asking for the second entry first moves minizip past the first one.
  EXPECT_EQ(zip.extractItemByName(L"OTHER.txt", fileName), 1);
  EXPECT_EQ(std::wstring(fileName), L"OTHER.txt");
  EXPECT_EQ(zip.extractItemByName(L"sub/file.txt", fileName), 1);
  EXPECT_EQ(std::wstring(fileName), L"file.txt");
  EXPECT_EQ(readFile(destFile("file.txt")), "by name");
  EXPECT_EQ(readFile(destFile("OTHER.txt")), "other");
  EXPECT_EQ(zip.extractItemByName(L"Sub\\File.TXT", fileName), 0) << "stored names are compared as stored";
  EXPECT_EQ(zip.lastResult(), kZipEntryNotFound);
  EXPECT_EQ(zip.extractItemByName(nullptr, fileName), 0);
  EXPECT_EQ(everything(), (std::set<std::string>{"package.zip", "dest", "dest\\file.txt", "dest\\OTHER.txt"}));
}

TEST_F(ZipExtraction, NothingWorksWithoutAnArchive) {
  CZipManager zip;
  EXPECT_EQ(zip.setDestination(wide(dest()).c_str()), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  EXPECT_EQ(zip.extractAll(), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  int count = 0;
  EXPECT_EQ(zip.getItemCount(&count), 0);
  EXPECT_EQ(zip.extractItem(0, L"x.txt"), 0);
  EXPECT_EQ(zip.open(nullptr, kPassword.c_str()), 0);
}

TEST_F(ZipExtraction, TheDefaultDestinationIsTheArchivePathWithoutItsExtension) {
  ASSERT_TRUE(ArchiveBuilder().addFile("inner.txt", "inner", kPassword).writeTo(archive()));
  ASSERT_TRUE(::CreateDirectoryW(wide(root.file("package")).c_str(), nullptr));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  ASSERT_EQ(zip.setDestination(nullptr), 1);
  ASSERT_EQ(zip.extractAll(), 1);
  EXPECT_EQ(readFile(root.file("package\\inner.txt")), "inner");
}

TEST_F(ZipExtraction, ADestinationTooLongForTheBufferIsRefused) {
  ASSERT_TRUE(ArchiveBuilder().addFile("inner.txt", "inner").writeTo(archive()));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), kPassword.c_str()), 1);
  std::wstring longFolder = wide(dest()) + L"\\" + std::wstring(300 - dest().size(), L'd');
  EXPECT_EQ(zip.setDestination(longFolder.c_str()), 0);
  EXPECT_EQ(zip.lastResult(), kZipBadArgument);
  std::wstring fits = L"C:\\" + std::wstring(254, L'f');  // 257 characters and the "/" appended
  EXPECT_EQ(zip.setDestination(fits.c_str()), 1);
}

TEST_F(ZipExtraction, ANewOpenClosesTheArchiveBefore) {
  std::string second = root.file("second.zip");
  ASSERT_TRUE(ArchiveBuilder().addFile("first.txt", "1").writeTo(archive()));
  ASSERT_TRUE(ArchiveBuilder().addFile("second.txt", "2").addFile("more.txt", "3").writeTo(second));
  CZipManager zip;
  ASSERT_EQ(zip.open(wide(archive()).c_str(), nullptr), 1);
  ASSERT_EQ(zip.open(wide(second).c_str(), nullptr), 1);
  int count = 0;
  ASSERT_EQ(zip.getItemCount(&count), 1);
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(::DeleteFileW(wide(archive()).c_str())) << "the first archive is no longer open";
}

TEST_F(ZipExtraction, AHeapObjectIsReleased) {
  ASSERT_TRUE(ArchiveBuilder().addFile("x.txt", "x").writeTo(archive()));
  CZipManager* zip = new CZipManager();
  ASSERT_EQ(zip->open(wide(archive()).c_str(), nullptr), 1);
  zip->release();
  EXPECT_TRUE(::DeleteFileW(wide(archive()).c_str())) << "released with its archive";
}

}  // namespace
