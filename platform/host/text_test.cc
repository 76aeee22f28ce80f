#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Runs an in-place helper on text in a buffer of exactly size bytes, with
// guard bytes after it, and checks that nothing beyond size changed.
template <typename Fn>
std::string InPlace(const char *text, int size, Fn fn, int *result = nullptr) {
  std::string buffer(static_cast<size_t>(size) + 16, '#');
  std::strncpy(buffer.data(), text, static_cast<size_t>(size));
  buffer[static_cast<size_t>(size) - 1] = '\0';
  int r = fn(buffer.data(), size);
  if (result != nullptr) *result = r;
  EXPECT_EQ(buffer.substr(static_cast<size_t>(size)), std::string(16, '#')) << "wrote past size";
  return std::string(buffer.c_str());
}

TEST(TextTest, BoundedCopies) {
  char buf[6];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(uStrSafeCopy(buf, sizeof buf, "abcdefgh"), 0);
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(uStrSafeCopy(buf, sizeof buf, nullptr), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(uStrnSafeCopy(buf, sizeof buf, "abcdefgh", 2), 0);
  EXPECT_STREQ(buf, "ab");
  EXPECT_EQ(uStrSafeCat(buf, sizeof buf, "cdefgh"), 0);
  EXPECT_STREQ(buf, "abcde");
  EXPECT_EQ(uStrSafeCopy(buf, 0, "a"), -1);
  EXPECT_EQ(uStrSafeCopy(nullptr, 4, "a"), -1);
}

TEST(TextTest, CopyAndPredicates) {
  char *copy = uStrGetCopy("value");
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy, "value");
  uFree(copy);
  EXPECT_EQ(uStrGetCopy(nullptr), nullptr);

  EXPECT_NE(uStrIsDigit("0123"), 0);
  EXPECT_EQ(uStrIsDigit(""), 0);
  EXPECT_EQ(uStrIsDigit("12a"), 0);
  EXPECT_EQ(uStrIsDigit("-1"), 0);
  EXPECT_EQ(uStrIsDigit(nullptr), 0);

  EXPECT_EQ(uStrTailCmp("firmware.rom", ".rom"), 0);
  EXPECT_NE(uStrTailCmp("firmware.ROM", ".rom"), 0);
  EXPECT_EQ(uStrTailCaseCmp("firmware.ROM", ".rom"), 0);
  EXPECT_NE(uStrTailCmp("om", ".rom"), 0);
  EXPECT_EQ(uStrTailCmp("any", ""), 0);
  EXPECT_NE(uStrTailCmp(nullptr, ""), 0);
}

TEST(TextTest, Strip) {
  char a[] = " \t\r\n value with blanks \r\n";
  EXPECT_EQ(uStrStripCrlf(a), a);
  EXPECT_STREQ(a, "value with blanks");
  char b[] = "  value\r\n  ";
  uStrStripSpace(b);
  EXPECT_STREQ(b, "value\r\n");
  char c[] = " \r\n ";
  uStrStripCrlf(c);
  EXPECT_STREQ(c, "");
}

struct ReplaceCase {
  const char *text;
  int size;
  const char *key;
  const char *replacement;
  const char *expected;
  int count;
};

TEST(TextTest, ReplaceKey) {
  const ReplaceCase cases[] = {
      {"a b c", 16, " ", "", "abc", 2},
      {"00:11:22", 16, ":", "", "001122", 2},
      {"a_b_c", 16, "_", " ", "a b c", 2},
      {"aaa", 16, "a", "aa", "aaaaaa", 3},        // replaced text is not rescanned
      {"x.y", 6, ".", "----", "x----", 1},         // cut at size - 1
      {"none", 16, "z", "y", "none", 0},
  };
  for (const ReplaceCase &c : cases) {
    SCOPED_TRACE(c.text);
    int result = 0;
    std::string out = InPlace(c.text, c.size,
                              [&](char *t, int s) { return uStrReplaceKey(t, s, c.key, c.replacement); },
                              &result);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(result, c.count);
  }
  char text[8] = "abc";
  EXPECT_EQ(uStrReplaceKey(text, sizeof text, "", "x"), -1);
}

TEST(TextTest, XmlEscapesNeverHalfWritten) {
  struct {
    const char *text;
    int size;
    const char *expected;
    int result;
  } cases[] = {
      {"a&b<c>d\"e'f", 64, "a&amp;b&lt;c&gt;d&quot;e&apos;f", 0},
      {"ab&c", 8, "ab&amp;", -1},   // 7 bytes fit: "ab" + "&amp;" exactly
      {"ab&c", 7, "ab", -1},        // "&amp;" needs 5, only 4 remain
      {"abc", 4, "abc", 0},
      {"abcd", 4, "abc", 0},        // the input itself was cut to fit the buffer
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    int result = 0;
    EXPECT_EQ(InPlace(c.text, c.size, [](char *t, int s) { return uStrReplaceXml(t, s, 0); }, &result),
              c.expected);
    EXPECT_EQ(result, c.result);
  }
}

TEST(TextTest, UrlEncodeKeepsTheUrlStructure) {
  struct {
    const char *text;
    int size;
    const char *expected;
  } cases[] = {
      {"http://h/p?jsonstr{\"VER\":\"01\", \"IP\":\"1.2.3.4\"}", 512,
       "http://h/p?jsonstr%7B%22VER%22:%2201%22,%20%22IP%22:%221.2.3.4%22%7D"},
      {"a-._~:/?#[]@!$&'()*+,;=Z9", 64, "a-._~:/?#[]@!$&'()*+,;=Z9"},
      {"100%25 %zz", 64, "100%25%20%25zz"},  // an existing escape stays, a stray % is encoded
      {"\xc3\xa9", 64, "%C3%A9"},
      {"ab cd", 6, "ab%20"},  // five characters fit: the escape whole, then nothing more
      {"ab cd", 5, "ab"},     // the escape does not fit whole
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(InPlace(c.text, c.size, [](char *t, int s) { return uStrUrlEncode(t, s, 0); }), c.expected);
  }
  int result = 0;
  EXPECT_EQ(InPlace("a b", 4, [](char *t, int s) { return uStrUrlEncode(t, s, 0); }, &result), "a");
  EXPECT_EQ(result, -1);
}

TEST(TextTest, UrlCheck) {
  struct {
    const char *url;
    bool ok;
  } cases[] = {
      {"http://example.com/fw.rom", true},
      {"HTTPS://example.com", true},
      {"ftp://user:pw@10.0.0.1:21/fw", true},
      {"tftp://10.0.0.1/fw", true},
      {"http://[::1]:8080/fw", true},
      {"http://", false},
      {"http:///fw", false},
      {"http://user@/fw", false},
      {"file:///etc/passwd", false},
      {"example.com/fw", false},
      {"http://exa mple.com/", false},
      {"http://example.com/\tfw", false},
      {"", false},
  };
  for (const auto &c : cases) EXPECT_EQ(uParaUrlCheck(c.url) != 0, c.ok) << c.url;
  EXPECT_EQ(uParaUrlCheck(nullptr), 0);
}

}  // namespace
