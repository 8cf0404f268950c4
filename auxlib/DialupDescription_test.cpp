#include "DialupDescription.h"

#include <gtest/gtest.h>

namespace {

struct DialupCase {
    OsType os;
    const char* description;
    bool dialup;
};

TEST(IsDialupDescription, PrefixPerFamilyIgnoringCase)
{
    const DialupCase cases[] = {
        {Win95, "PPP Adapter.", true},
        {Win98, "ppp adapter", true},
        {Win98, "Dial-Up Adapter", true},
        {Win98, "Dial-up", false},  // the prefix has a space
        {Win95, "Opkaldskort", true},
        {Win98, "Windows NT Remote Access Wan Wrapper", false},
        {Win98, "Card PPP Adapter", false},
        {WinNT4, "Windows NT Remote Access Wan Wrapper", true},
        {WinNT4, "windows nt remote access wan", true},
        {WinNT4, "Dial-up Networking Adapter", false},
        {WinNT4, "PPP Adapter", false},
        {Win2000, "Dial-up Networking Adapter", true},
        {Win2000, "DIAL-UP x", true},
        {Win2000, "PPP Adapter", false},
        {OsUnknown, "Dial-up Networking Adapter", false},
        {OsUnknown, "PPP Adapter", false},
        {Win98, "", false},
    };
    for (const DialupCase& c : cases) {
        EXPECT_EQ(IsDialupDescription(c.os, c.description), c.dialup) << c.os << " \"" << c.description << '"';
    }
}

}  // namespace
