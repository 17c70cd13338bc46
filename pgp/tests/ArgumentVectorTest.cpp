// The engine's command line: quoting that the C runtime's parser undoes exactly.
#include "pgp/core/ArgumentVector.h"
#include <gtest/gtest.h>

using namespace pgp;

TEST(PgpArgumentVector, QuotesOnlyWhatNeedsIt) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    };
    for (auto [in, out] : {
             Case{L"--armor", L"--armor"},
             Case{L"C:\\pgp\\", L"C:\\pgp\\"},
             Case{L"", L"\"\""},
             Case{L"C:\\My PGP\\", L"\"C:\\My PGP\\\\\""},
             Case{L"say \"hi\"", L"\"say \\\"hi\\\"\""},
             Case{L"a\\\"b", L"\"a\\\\\\\"b\""},
             Case{L"tab\there", L"\"tab\there\""},
             Case{L"*", L"\"*\""},
             Case{L"who?", L"\"who?\""},
         })
        EXPECT_EQ(quoteArgument(in), out);
}

TEST(PgpArgumentVector, RoundTripsQuotesBackslashesAndBlanks) {
    const std::vector<std::wstring> args = {L"--homedir",
                                            L"C:\\Users\\A B\\pgp\\",
                                            L"",
                                            L"\"",
                                            L"\\",
                                            L"\\\\",
                                            L"a\\\\\"b",
                                            L"  lead and trail  ",
                                            L"\\\"",
                                            L"x\"\"y",
                                            L"%PATH%",
                                            L"&|<>^",
                                            L"r\u00e9sum\u00e9 \u0416",
                                            L"end\\"};
    auto line = buildCommandLine(L"C:\\pgp\\gnupg\\gpg.exe", args);
    auto back = splitCommandLine(line);
    ASSERT_EQ(back.size(), args.size() + 1);
    EXPECT_EQ(back[0], L"C:\\pgp\\gnupg\\gpg.exe");
    for (std::size_t i = 0; i < args.size(); ++i)
        EXPECT_EQ(back[i + 1], args[i]) << "argument " << i;
}
