#pragma once
// A staged OmbrixDaemon for one test: its own directory (so its log is its own), the Windows family it
// sees, a fresh Ombrix.Ini, and clean-up of whatever it registered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WineHarness.h"

class DaemonTest : public testing::Test {
protected:
    static constexpr const char* kExe = "OmbrixDaemon.exe";
    static constexpr const char* kService = "OmbrixInternetSharing";
    static constexpr DWORD kServiceTimeoutMs = 20000;

    void SetUp() override;
    void TearDown() override;

    /// Stages the daemon for the named Windows family and writes OmbrixMode (nullptr: leave it out). Dual
    /// NIC mode adds no route, and the DHCP server is pinned to the loopback address at a port of its own,
    /// so a test never serves or changes the network of the machine it runs on.
    void Prepare(const char* wineVersion, const char* mode = "2");

    winetest::ProcessResult RunDaemon(const std::string& arguments, DWORD timeoutMs = 20000);
    std::vector<std::string> Log() const { return winetest::LogMessages(LogPath()); }
    std::string LogPath() const { return dir_ + "OmbrixDaemon.log"; }
    std::string ExePath() const { return dir_ + kExe; }

    /// Installs the staged daemon as the NT service and starts it through the manager.
    void InstallAndStartService();
    void StopServiceAndWait();

    std::string dir_;
};

/// The first lines of every run of the service main.
extern const std::vector<std::string> kStartLines;
extern const char kNoDriverLine[];
