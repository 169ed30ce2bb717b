// Recognising an archive without entries, which minizip does not open.
#include <gtest/gtest.h>

#include <string>

#include "empty_archive.h"

namespace {

using tavrin::isEmptyArchive;

std::string emptyRecord(const std::string& comment = std::string()) {
  std::string record("PK\x05\x06", 4);
  record += std::string(16, '\0');
  record += static_cast<char>(comment.size() & 0xFF);
  record += static_cast<char>(comment.size() >> 8);
  return record + comment;
}

bool check(const std::string& bytes) {
  return isEmptyArchive(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(EmptyArchive, TheBareEndRecord) {
  EXPECT_TRUE(check(emptyRecord()));
  EXPECT_TRUE(check(emptyRecord("a comment")));
}

TEST(EmptyArchive, AnythingElseIsNot) {
  EXPECT_FALSE(check(""));
  EXPECT_FALSE(check(emptyRecord().substr(0, 21)));
  EXPECT_FALSE(check(emptyRecord() + "x")) << "bytes beyond the comment";
  EXPECT_FALSE(check(emptyRecord("abc").substr(0, 24))) << "a comment cut short";
  std::string entries = emptyRecord();
  entries[8] = entries[10] = 1;
  EXPECT_FALSE(check(entries));
  std::string secondDisk = emptyRecord();
  secondDisk[4] = 1;
  EXPECT_FALSE(check(secondDisk));
  std::string directory = emptyRecord();
  directory[12] = 46;
  EXPECT_FALSE(check(directory));
  EXPECT_FALSE(check("PK\x03\x04 plus something that is not an end record"));
}

}  // namespace
