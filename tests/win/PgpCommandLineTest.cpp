// pgp.exe splits its own command line: the pieces must be the ones the system's parser gives,
// quotes, doubled quotes, backslashes and blanks included, or a pass phrase or file name given in
// a batch file would reach PGP changed.
#include "pgp/core/ArgumentVector.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

TEST(PgpCommandLine, SplitsAsTheSystemsParserDoes) {
    for (const wchar_t* line : {
             L"pgp -z \"a b\" file.txt",
             L"pgp \"a\"\"b c\" d",
             L"pgp \"\"\"\" x \"\"\"\"\"\" y \"\"\"\"\"\"\"",
             L"pgp \"a\"\"\"b\" c \"\"\"x\"\"\" \"\"\"\"\"\"\"\"z",
             L"pgp a\\\\\\\"b \"c\\\\\" d\\\\\\\\\"e f\" g\\ h\\\\",
             L"\"C:\\Program Files\\pgp.exe\" -ea \"r\u00e9sum\u00e9.txt\" \"Bob <bob@x>\"",
             L"pgp\t\targ1\t \"\" \"\"",
             L"pgp \"unterminated arg",
             L"pgp a\"b\"c d\"e f\"g \\\\\\\\",
             L"C:\\pgp\"x y\" z   ",
             L"\"pgp.exe\"x y",
             L"pgp \\\"\"\" a\"\\\"\" \"\\\\\"\"",
         }) {
        int count = 0;
        LPWSTR* expected = CommandLineToArgvW(line, &count);
        ASSERT_NE(expected, nullptr);
        const std::vector<std::wstring> got = pgp::splitCommandLine(line);
        std::vector<std::wstring> want(expected + 1, expected + count);
        LocalFree(expected);
        EXPECT_EQ(std::vector<std::wstring>(got.begin() + 1, got.end()), want) << "line: " << line;
    }
}
