// The author's key block: armour lines, checksum and the packets inside, decoded here on their own.
#include "editor/AuthorKey.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last line end";
    return lines;
}

std::vector<std::uint8_t> base64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> out;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        auto v = alphabet.find(c);
        EXPECT_NE(v, std::string::npos) << "not base64: " << c;
        bits = bits << 6 | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return out;
}

// The armour checksum: CRC-24 with generator 0x1864CFB, started at 0xB704CE.
std::uint32_t crc24(const std::vector<std::uint8_t>& data) {
    std::uint32_t crc = 0xB704CE;
    for (std::uint8_t byte : data) {
        crc ^= static_cast<std::uint32_t>(byte) << 16;
        for (int i = 0; i < 8; ++i) {
            crc <<= 1;
            if (crc & 0x1000000) crc ^= 0x1864CFB;
        }
    }
    return crc & 0xFFFFFF;
}

} // namespace

TEST(AuthorKey, ChecksumOfKnownBytes) {
    EXPECT_EQ(crc24({}), 0xB704CEu);
    EXPECT_EQ(crc24({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0x21CF02u);
}

TEST(AuthorKey, ArmouredAsPgp262WritesIt) {
    auto lines = linesOf(editor::kAuthorKeyBlock);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "-----BEGIN PGP PUBLIC KEY BLOCK-----");
    EXPECT_EQ(lines[1], "Version: 2.6.2");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines.back(), "-----END PGP PUBLIC KEY BLOCK-----");
    const std::string& sum = lines[lines.size() - 2];
    ASSERT_EQ(sum.size(), 5u);
    ASSERT_EQ(sum[0], '=');

    std::string body;
    for (std::size_t i = 3; i + 2 < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 64u);
        body += lines[i];
    }
    auto data = base64(body);
    auto check = base64(sum.substr(1));
    ASSERT_EQ(check.size(), 3u);
    EXPECT_EQ(crc24(data), static_cast<std::uint32_t>(check[0] << 16 | check[1] << 8 | check[2]));

    // A public-key packet with a two-byte length, then a user ID packet, and nothing else.
    ASSERT_GT(data.size(), 3u);
    EXPECT_EQ(data[0], 0x99);
    const std::size_t keyLength = data[1] << 8 | data[2];
    ASSERT_LT(3 + keyLength + 2, data.size());
    const std::uint8_t* key = &data[3];
    EXPECT_EQ(key[0], 3) << "version";
    EXPECT_EQ(key[7], 1) << "RSA";
    const std::size_t nBits = key[8] << 8 | key[9];
    EXPECT_EQ(nBits, 1024u);
    EXPECT_GE(key[10], 0x80) << "the modulus's top bit is its bit count's";
    const std::size_t nBytes = (nBits + 7) / 8;
    EXPECT_EQ(key[10 + nBytes - 1] & 1, 1) << "an odd modulus";
    const std::size_t eBits = key[10 + nBytes] << 8 | key[11 + nBytes];
    const std::size_t eBytes = (eBits + 7) / 8;
    EXPECT_EQ(10 + nBytes + 2 + eBytes, keyLength);

    const std::uint8_t* id = &data[3 + keyLength];
    EXPECT_EQ(id[0], 0xB4);
    ASSERT_EQ(3 + keyLength + 2 + id[1], data.size());
    std::string userId(reinterpret_cast<const char*>(id + 2), id[1]);
    EXPECT_EQ(userId, "Murkwell Author <author@murkwell.example>");
}
