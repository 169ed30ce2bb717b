// URL decoding and the header-line scans of the HTTP client's pre-flight
// request. Built natively and for Windows.
#include "launcher/header_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace tavrin;

namespace {

bool scanLength(const std::string& line, int64_t& value) {
  return scanContentLengthLine(line.data(), line.size(), value);
}

bool scanName(const std::string& line, std::string& name) { return scanFileNameLine(line.data(), line.size(), name); }

TEST(UrlDecode, TurnsPlusIntoBlankAndPercentPairsIntoBytes) {
  EXPECT_EQ(urlDecode("a+b%20c%2fd%2F"), "a b c/d/");
  EXPECT_EQ(urlDecode("%e5%A1%94"), "\xe5\xa1\x94");
  EXPECT_EQ(urlDecode("plain.zip"), "plain.zip");
  EXPECT_EQ(urlDecode("%2B+"), "+ ");
}

TEST(UrlDecode, CountsLettersOnThroughTheAlphabetKeptToEightBits) {
  // v(g) = 16: 16 * 16 + 1 = 257, kept to 8 bits = 1; v(z) = 35: 35 * 16 + 35 = 595 -> 83 'S'.
  EXPECT_EQ(urlDecode("%g1"), std::string(1, '\x01'));
  EXPECT_EQ(urlDecode("%zz"), "S");
  EXPECT_EQ(urlDecode("%ZZ"), "S");
}

TEST(UrlDecode, KeepsAPercentWithoutTwoLettersOrDigits) {
  EXPECT_EQ(urlDecode("100%"), "100%");
  EXPECT_EQ(urlDecode("a%4"), "a%4");
  EXPECT_EQ(urlDecode("%-41"), "%-41");
  EXPECT_EQ(urlDecode("%4-1"), "%4-1");
  EXPECT_EQ(urlDecode("%%41"), "%A");
}

TEST(ContentLengthLine, NeedsTheExactNameAtTheStartOfTheLine) {
  int64_t value = -7;
  EXPECT_TRUE(scanLength("Content-Length: 300001\r\n", value));
  EXPECT_EQ(value, 300001);
  value = -7;
  EXPECT_FALSE(scanLength("content-length: 300001\r\n", value));
  EXPECT_FALSE(scanLength("Content-length: 300001\r\n", value));
  EXPECT_FALSE(scanLength(" Content-Length: 300001\r\n", value));
  EXPECT_FALSE(scanLength("X-Content-Length: 300001\r\n", value));
  EXPECT_FALSE(scanLength("Content-Length 300001\r\n", value));
  EXPECT_EQ(value, -7) << "nothing stored by a line that does not match";
}

TEST(ContentLengthLine, TakesBlanksAndASignBeforeTheNumber) {
  int64_t value = 0;
  EXPECT_TRUE(scanLength("Content-Length:      42\r\n", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(scanLength("Content-Length:\t 43\r\n", value));
  EXPECT_EQ(value, 43);
  EXPECT_TRUE(scanLength("Content-Length:44", value));
  EXPECT_EQ(value, 44);
  EXPECT_TRUE(scanLength("Content-Length: +45\r\n", value));
  EXPECT_EQ(value, 45);
  EXPECT_TRUE(scanLength("Content-Length: -46\r\n", value));
  EXPECT_EQ(value, -46);
  EXPECT_TRUE(scanLength("Content-Length: 47abc\r\n", value));
  EXPECT_EQ(value, 47);
  EXPECT_TRUE(scanLength("Content-Length: 8589934592\r\n", value));
  EXPECT_EQ(value, int64_t{8589934592});
}

TEST(ContentLengthLine, NeedsADigit) {
  int64_t value = 0;
  EXPECT_FALSE(scanLength("Content-Length:\r\n", value));
  EXPECT_FALSE(scanLength("Content-Length: -\r\n", value));
  EXPECT_FALSE(scanLength("Content-Length: x1\r\n", value));
  // The line ends where the callback says, not at a NUL.
  std::string cut = "Content-Length: 12";
  EXPECT_TRUE(scanContentLengthLine(cut.data(), cut.size() - 1, value));
  EXPECT_EQ(value, 1);
}

TEST(ContentLengthLine, StopsAtTheLimitsOfSixtyFourBits) {
  int64_t value = 0;
  EXPECT_TRUE(scanLength("Content-Length: 99999999999999999999999\r\n", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::max());
  EXPECT_TRUE(scanLength("Content-Length: -9223372036854775808\r\n", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::min());
  EXPECT_TRUE(scanLength("Content-Length: 9223372036854775807\r\n", value));
  EXPECT_EQ(value, std::numeric_limits<int64_t>::max());
}

TEST(LeadingNumber, ReadsTheSideFileText) {
  std::string sideFile(512, '\0');
  sideFile.replace(0, 6, "300001");
  int64_t value = 0;
  EXPECT_TRUE(parseLeadingInt64(sideFile.data(), sideFile.size(), value));
  EXPECT_EQ(value, 300001);
  EXPECT_TRUE(parseLeadingInt64(" \n 12x", 6, value));
  EXPECT_EQ(value, 12);
  EXPECT_FALSE(parseLeadingInt64("abc", 3, value));
  EXPECT_FALSE(parseLeadingInt64(std::string(512, '\0').data(), 512, value));
}

TEST(FileNameLine, TakesTheWordAfterTheMark) {
  std::string name = "before";
  EXPECT_TRUE(scanName("filename=up.zip\r\n", name));
  EXPECT_EQ(name, "up.zip");
  EXPECT_TRUE(scanName("filename=   spaced.zip trailing\r\n", name));
  EXPECT_EQ(name, "spaced.zip");
  EXPECT_TRUE(scanName("filename=\"quoted.zip\";\r\n", name));
  EXPECT_EQ(name, "\"quoted.zip\";");
}

TEST(FileNameLine, IgnoresOtherLines) {
  std::string name = "kept";
  EXPECT_FALSE(scanName("filename=\r\n", name));
  EXPECT_FALSE(scanName("Filename=x.zip\r\n", name));
  EXPECT_FALSE(scanName("Content-Disposition: attachment; filename=x.zip\r\n", name));
  EXPECT_EQ(name, "kept");
}

TEST(FileNameLine, KeepsAtMost1023Bytes) {
  std::string name;
  EXPECT_TRUE(scanName("filename=" + std::string(2000, 'n') + "\r\n", name));
  EXPECT_EQ(name, std::string(1023, 'n'));
}

TEST(QuotedFileName, TakesTheTextBetweenTheQuotesAfterTheFirstMark) {
  std::string name;
  EXPECT_TRUE(quotedFileNameInHeaders(
      "HTTP/1.1 200 OK\r\nContent-Disposition: attachment; filename=\"tavrin 1.0.zip\"\r\nX: filename=\"b\"\r\n",
      name));
  EXPECT_EQ(name, "tavrin 1.0.zip");
}

TEST(QuotedFileName, NeedsAMarkAfterTheStartAndTwoQuotes) {
  std::string name = "kept";
  EXPECT_FALSE(quotedFileNameInHeaders("filename=\"a.zip\"\r\n", name));
  EXPECT_FALSE(quotedFileNameInHeaders("HTTP/1.1 200 OK\r\nX: filename=a.zip\r\n", name));
  EXPECT_FALSE(quotedFileNameInHeaders("HTTP/1.1 200 OK\r\nX: filename=\"a.zip\r\n", name));
  EXPECT_FALSE(quotedFileNameInHeaders("HTTP/1.1 200 OK\r\n", name));
  EXPECT_EQ(name, "kept");
}

TEST(FileNameFromUrl, DecodesThePathAndTakesItsLastPart) {
  EXPECT_EQ(fileNameFromUrl("http://127.0.0.1:80/packages/a%20b.zip?x=1"), "a b.zip");
  EXPECT_EQ(fileNameFromUrl("http://h/dir/up+date.zip"), "up date.zip");
  EXPECT_EQ(fileNameFromUrl("http://h/dir/a%2Fb.zip"), "b.zip");
  EXPECT_EQ(fileNameFromUrl("http://h/dir/"), "");
  EXPECT_EQ(fileNameFromUrl("plain%21.zip"), "plain!.zip");
  // A "?" at the very start does not cut.
  EXPECT_EQ(fileNameFromUrl("?a/b"), "b");
}

}  // namespace
