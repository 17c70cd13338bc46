// Secret text: what is cut or wiped is overwritten in place, and moving copies no byte.
#include "core/SecretText.h"
#include <gtest/gtest.h>
#include <new>
#include <string>

using namespace mw;

TEST(SecretText, HoldsTheTextWithAClosingZero) {
    SecretText s(std::string_view("horse battery"));
    EXPECT_EQ(s.view(), "horse battery");
    EXPECT_EQ(s.size(), 13u);
    EXPECT_EQ(s.c_str()[13], '\0');
    EXPECT_FALSE(s.empty());
    SecretText none;
    EXPECT_TRUE(none.empty());
    EXPECT_STREQ(none.c_str(), "");
}

TEST(SecretText, MovingHandsOverTheSameStorage) {
    SecretText a(std::string_view("staple"));
    const char* storage = a.c_str();
    SecretText b(std::move(a));
    EXPECT_EQ(b.c_str(), storage);
    EXPECT_EQ(b.view(), "staple");
    EXPECT_TRUE(a.empty());
    SecretText c(std::string_view("other"));
    c = std::move(b);
    EXPECT_EQ(c.c_str(), storage);
    EXPECT_TRUE(b.empty());
}

TEST(SecretText, TruncateOverwritesWhatItCuts) {
    SecretText s(std::string_view("correct horse"));
    const char* storage = s.c_str();
    s.truncate(7);
    EXPECT_EQ(s.view(), "correct");
    for (int i = 7; i < 13; ++i)
        EXPECT_EQ(storage[i], '\0') << i;
    s.truncate(20);
    EXPECT_EQ(s.view(), "correct");
    s.clear();
    EXPECT_TRUE(s.empty());
}

TEST(SecretText, WipeOverwritesTheWholeStorageOfAString) {
    // Long enough to live on the heap, then shortened: the old tail still holds characters.
    std::string text = "pass phrase on a command line, long enough for the heap";
    text.resize(10);
    const char* storage = text.data();
    const std::size_t capacity = text.capacity();
    ASSERT_GE(capacity, 55u);
    wipe(text);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.data(), storage);
    for (std::size_t i = 0; i < capacity; ++i)
        ASSERT_EQ(storage[i], '\0') << i;

    std::string small = "abc";
    wipe(small);
    EXPECT_TRUE(small.empty());
}

TEST(SecretText, SecretStringOverwritesTheShortTextKeptInsideItself) {
    // A short text lives inside the string object, never in the heap: its destructor overwrites it.
    alignas(SecretString) unsigned char storage[sizeof(SecretString)];
    auto* s = new (storage) SecretString("pin 4711");
    const auto* begin = reinterpret_cast<const char*>(storage);
    const std::string_view inside(begin, sizeof storage);
    ASSERT_NE(inside.find("pin 4711"), std::string_view::npos) << "kept in the heap after all";
    s->~SecretString();
    EXPECT_EQ(inside.find("4711"), std::string_view::npos);

    // A long one goes to the heap, where the allocator overwrites it; the object keeps no copy.
    s = new (storage) SecretString("a pass phrase longer than the inside storage");
    EXPECT_EQ(inside.find("pass phrase"), std::string_view::npos);
    s->~SecretString();
}
