#include "DriverPresence.h"

#include <gtest/gtest.h>

#include "testing/FakeRegistry.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;
const char kVxdKey[] = "SYSTEM\\CurrentControlSet\\Services\\VxD\\Ombrix";
const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\Ombrix";

TEST(IsDriverRegistered, StaticVxdOn9x)
{
    CFakeRegistry registry;
    EXPECT_FALSE(IsDriverRegistered(registry, Win98));
    registry.SetText(kLm, kVxdKey, "StaticVxD", "C:\\WINDOWS\\SYSTEM\\Other.vxd");
    EXPECT_FALSE(IsDriverRegistered(registry, Win98));
    registry.SetText(kLm, kVxdKey, "StaticVxD", "c:\\windows\\system\\ombrix.vxd");
    EXPECT_TRUE(IsDriverRegistered(registry, Win95));
    EXPECT_TRUE(IsDriverRegistered(registry, Win98));
    EXPECT_FALSE(IsDriverRegistered(registry, WinNT4));
}

TEST(IsDriverRegistered, ImagePathOnNt)
{
    CFakeRegistry registry;
    registry.SetText(kLm, kServiceKey, "ImagePath", "\\SystemRoot\\system32\\drivers\\Ombrix.sys");
    EXPECT_TRUE(IsDriverRegistered(registry, WinNT4));
    EXPECT_TRUE(IsDriverRegistered(registry, Win2000));
    EXPECT_FALSE(IsDriverRegistered(registry, Win98));
    EXPECT_FALSE(IsDriverRegistered(registry, OsUnknown));
    registry.SetText(kLm, kServiceKey, "ImagePath", "system32\\drivers\\ombrixold.sys");
    EXPECT_FALSE(IsDriverRegistered(registry, Win2000));
    registry.SetText(kLm, kServiceKey, "ImagePath", std::string(300, 'x') + "OMBRIX.SYS");
    EXPECT_FALSE(IsDriverRegistered(registry, Win2000)) << "a path longer than the buffer is not read";
}

}  // namespace
