#include "foundation/email_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(IsValidEmailAddressTest, AcceptsAndRejectsByTheAddressSyntax) {
    struct Case {
        std::string address;
        bool valid;
    } cases[] = {
        {"user@example.com", true},
        {"first.last@mail.example.org", true},
        {"\"john\\ doe\"@example.com", true},  // escaped blank
        {"\"john doe\"@example.com", false},
        {"\"a\\\"b\"@example.com", true},         // escaped quote inside a quoted string
        {"\"quoted\".part@example.com", true},
        {"\xC3\xA9t\xC3\xA9@example.com", true},  // 8-bit characters are not forbidden
        {"", false},
        {"user@localhost", false},                // domain without a dot
        {"us er@example.com", false},             // blank in the local part
        {"user@.example.com", false},             // domain begins with a dot
        {"user@example..com", false},
        {"user.@example.com", false},             // local part ends in a dot
        {"@example.com", false},
        {"user@", false},
        {"user", false},
        {"us(er@example.com", false},
        {"user@exa[mple.com", false},
        {"us\"er@example.com", false},            // a quote in the middle of a word
        {"user\x7F@example.com", false},
        {"user@exam\tple.com", false},
        {"\"unterminated@example.com", false},
        {"\"ends with escape\\", false},
        {"\"tail\"x@example.com", false},         // a quoted string must end at "@" or "."
        {"\"only quoted\"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidEmailAddress(c.address), c.valid) << c.address;
    }
}

TEST(IsValidEmailAddressTest, NeverReadsPastTheGivenText) {
    // The text continues with a valid address behind the length given: a reader
    // that ignores the length would see it and accept.
    const std::string backing = "\"open\\\"@example.com";
    EXPECT_FALSE(IsValidEmailAddress(std::string_view(backing.data(), 7)));
    const std::string afterEscape = "\"a\\ b@example.com";
    EXPECT_FALSE(IsValidEmailAddress(std::string_view(afterEscape.data(), 3)));
}

}  // namespace
