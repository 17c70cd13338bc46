// Decimal conversion and path helpers.
#include "core/Errors.h"
#include "core/PathUtil.h"
#include "core/TextConvert.h"
#include <gtest/gtest.h>

using namespace mw;

TEST(ParseInteger, AcceptsSignedDecimalsAcrossTheWholeRange) {
    EXPECT_EQ(parseInteger("0"), 0);
    EXPECT_EQ(parseInteger("-17"), -17);
    EXPECT_EQ(parseInteger("+5"), 5);
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    EXPECT_EQ(parseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parseInteger("-2147483643"), -2147483643);
}

TEST(ParseInteger, RejectsWithTheOffendingTextInTheMessage) {
    for (const char* bad :
         {"", "-", "12a", " 12", "1.5", "2147483648", "-2147483649", "99999999999999999999"}) {
        try {
            parseInteger(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(PathUtil, DirectoryExtensionAndName) {
    EXPECT_EQ(directoryOf("c:\\pgp\\pgp.exe"), "c:\\pgp\\");
    EXPECT_EQ(directoryOf("pgp.exe"), "");
    EXPECT_EQ(changeExtension("C:\\Program Files\\Murkwell.exe", ".ini"), "C:\\Program Files\\Murkwell.ini");
    EXPECT_EQ(changeExtension("c:\\a.b\\copy of editor", ".ini"), "c:\\a.b\\copy of editor.ini");
    EXPECT_EQ(changeExtension("c:\\x\\Renamed.Editor.EXE", ".ini"), "c:\\x\\Renamed.Editor.ini");
    EXPECT_EQ(fileNameOf("c:\\pgp\\pgp.exe"), "pgp.exe");
    EXPECT_TRUE(sameFileName("c:\\PGP\\Murkwell.USR", "c:\\pgp\\murkwell.usr"));
}
