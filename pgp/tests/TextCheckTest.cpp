// Which data -t may treat as text: the bytes a text file holds, and those only binary files hold.
#include "pgp/core/TextCheck.h"
#include <gtest/gtest.h>
#include <string>

using namespace pgp;

TEST(PgpTextCheck, TextIsPrintableBytesAndTheControlsTextUses) {
    using namespace std::string_literals;
    const struct {
        std::string bytes;
        bool text;
    } cases[] = {
        {"", true},
        {"Hello, Bob.\r\nA second line.\r\n", true},
        {"unix\nlines\n", true},
        {"tab\there, bell\a, back\bspace, vertical\vtab, form\ffeed\r\n", true},
        {"\x1b[1mbold\x1b[0m\r\n\x1a", true}, // a terminal's escapes, a DOS end-of-file mark
        {"r\xc3\xa9sum\xc3\xa9 \xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd", true}, // UTF-8
        {"\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0!\r\n", true},           // Cyrillic in code page 1251
        {"\x7f\xff\x80", true},
        {"text then a NUL\0"s, false},
        {"\x01", false},
        {"\x06", false},
        {"\x0e", false},
        {"\x19", false},
        {"\x1c", false},
        {"\x1f", false},
        {"PK\x03\x04\x14\x00\x00\x00", false}, // a zip archive's first bytes
        {"\x1f\x8b\x08\x00", false},           // gzip
        {"h\0i\0\r\0\n\0"s, false},            // UTF-16: a line end there would be cut in half
        {"%PDF-1.7\n%\xe2\xe3\xcf\xd3\nstream\n\x78\x9c\x03\x00"s, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isTextData(c.bytes), c.text) << testing::PrintToString(c.bytes);
}
