// Scratch files for the log writer tests under Wine: a directory of its own per test, removed afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ombrix_test {

inline std::string FileText(const std::string& path) {
  std::string text;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return text;
  }
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
    text.append(chunk, got);
  }
  CloseHandle(file);
  return text;
}

inline void WriteFileText(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// The lines of text, each with its own line end; a last piece without one is a line too.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(begin, end - begin));
    begin = end;
  }
  return lines;
}

class ScratchDir {
 public:
  ScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (unsigned attempt = 0;; ++attempt) {
      path_ = std::string(temp) + "ombrixlog-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(GetTickCount() + attempt);
      if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
  }
  ~ScratchDir() {
    for (const std::string& name : Names()) {
      std::string file = File(name);
      SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(file.c_str());
    }
    RemoveDirectoryA(path_.c_str());
  }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
  }

 private:
  std::string path_;
};

}  // namespace ombrix_test
