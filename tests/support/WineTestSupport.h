#pragma once
// What the Wine tests of every folder share: the test program's folder, whole files read and written, log
// files read back as messages, waits bounded by a deadline, scratch folders, Ombrix.Ini in the Windows
// directory, and programs run with their output collected. A helper that can fail returns an
// AssertionResult whose message says what it found instead, so that ASSERT_TRUE(helper(...)) explains
// itself. For test programs only: it links GoogleTest.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace winetest {

/// Folder of the running test program (the build's bin directory), with its trailing backslash.
std::string ProgramFolder();

/// Whether a file or a folder is at path.
bool FileExists(const std::string& path);

/// The whole file, byte for byte; empty when it cannot be opened (a file not written yet reads as empty,
/// which is what a test polling for it wants). Opened with read and write sharing, so a file that a program
/// under test holds open is read all the same.
std::string ReadWholeFile(const std::string& path);

/// Writes bytes as the whole file, replacing what was there, the way another program (or an editor) would:
/// without the functions under test.
testing::AssertionResult WriteWholeFile(const std::string& path, const std::string& bytes);

/// The file's lines without their CR LF; a last piece without a line end is a line too; none when the file
/// cannot be opened.
std::vector<std::string> ReadLines(const std::string& path);

/// The lines of text, each with its own line end (split after each LF); a last piece without one is a
/// line too.
std::vector<std::string> LinesWithTheirEnds(const std::string& text);

/// The messages of a log written in the service's line format, stamps removed. A message may hold line
/// breaks of its own (the service writes one such line): messages are told apart by the stamp that starts
/// each line. None when the file cannot be opened.
std::vector<std::string> LogMessages(const std::string& path);

/// Removes folder (with its trailing backslash) and everything in it; false when something stayed.
bool RemoveFolder(const std::string& folder);

/// Checks condition every 10 ms until it holds or timeoutMs has passed. For conditions another thread or
/// another program makes true; the calling thread's messages wait meanwhile.
testing::AssertionResult WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

/// Like WaitFor, dispatching the calling thread's window messages while it waits: for conditions that the
/// thread's own windows (socket windows, timers) make true.
testing::AssertionResult PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

/// A folder of the test's own under the temporary directory, removed with everything in it at the end.
/// Each one has a new name, so a program that still holds a file of the last one is in nobody's way.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    /// Whether the folder was made; what the system said when it was not.
    testing::AssertionResult Created() const;
    /// The folder with its trailing backslash.
    const std::string& Path() const { return path_; }
    /// The path of name in the folder.
    std::string File(const std::string& name) const { return path_ + name; }
    /// The names of what is in the folder, in the order the system lists them.
    std::vector<std::string> Names() const;
    /// Copies the file from into the folder under name.
    testing::AssertionResult CopyIn(const std::string& from, const std::string& name) const;
    /// Writes text as the whole file name in the folder.
    testing::AssertionResult Write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
    DWORD createError_ = ERROR_SUCCESS;
};

/// Ombrix.Ini in the Windows directory, where the programs keep their settings.
std::string IniPath();

/// Removes Ombrix.Ini, flushing the profile cache first so that no stale copy is written back.
testing::AssertionResult RemoveIni();

/// Sets one key of Ombrix.Ini through the profile functions; a null value removes the key.
testing::AssertionResult WriteIni(const char* section, const char* key, const char* value);

/// One key of Ombrix.Ini as the profile functions read it; missing when it is not there.
std::string ReadIni(const char* section, const char* key, const char* missing);
int ReadIniInt(const char* section, const char* key, int missing);

/// Keys of Ombrix.Ini as a test found them, put back (or removed again) when it ends: the Wine tests of a
/// run share the file, and each expects to find it as the one before left it.
class CIniKeys {
public:
    CIniKeys(std::initializer_list<std::pair<const char*, const char*>> keys);
    ~CIniKeys();
    CIniKeys(const CIniKeys&) = delete;
    CIniKeys& operator=(const CIniKeys&) = delete;

private:
    struct Saved {
        std::string section;
        std::string key;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

/// The whole of Ombrix.Ini as it was when a test began, put back byte for byte at its end (removed when
/// there was none), for a test whose code under test writes keys of its own choosing.
class CIniFileSnapshot {
public:
    CIniFileSnapshot();
    ~CIniFileSnapshot();
    CIniFileSnapshot(const CIniFileSnapshot&) = delete;
    CIniFileSnapshot& operator=(const CIniFileSnapshot&) = delete;

private:
    bool existed_ = false;
    std::string contents_;
};

/// Sets the Windows version Wine reports to the program exeName ("win95", "win98", "nt40", "win2k",
/// "win7"); a null version removes the setting, so the program sees Wine's default.
testing::AssertionResult SetWineVersion(const std::string& exeName, const char* version);

struct ProcessResult {
    bool started = false;
    DWORD startError = ERROR_SUCCESS;  ///< why it did not start
    bool ended = false;                ///< within the time allowed; ended by force otherwise
    DWORD timeoutMs = 0;
    DWORD exitCode = ~0u;
    std::string output;  ///< standard output and standard error

    /// Whether the program started and ended on its own; otherwise which of the two it did not, and what it
    /// printed.
    testing::AssertionResult RanToItsEnd() const;
};

/// Runs a command line with its standard output and standard error collected, for at most timeoutMs.
ProcessResult Run(const std::string& commandLine, DWORD timeoutMs = 20000);

}  // namespace winetest
