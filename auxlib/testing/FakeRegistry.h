// CFakeRegistry: an in-memory registry for the unit tests of the registry walks and writes. Names are
// compared without regard to case and enumerated in the order they were made; a key opened for reading
// refuses writes, as the NT registry does; every write is logged with its exact bytes; open handles are
// counted so that a test can tell that nothing was left open.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "RegistryAccess.h"

class CFakeRegistry : public IRegistry {
public:
    struct WriteRecord {
        std::string key;  // the path of the key written to, as opened
        std::string name;
        uint32_t type;
        std::vector<uint8_t> data;
    };

    CFakeRegistry();
    ~CFakeRegistry() override;

    // Fixture setup; keys along the path are made as needed.
    void CreateKey(RegRoot root, const std::string& path);
    void SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
                  const std::vector<uint8_t>& data);
    void SetText(RegRoot root, const std::string& path, const std::string& name, const std::string& text);
    void SetMulti(RegRoot root, const std::string& path, const std::string& name,
                  const std::vector<std::string>& items);
    void SetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value);
    void DeleteValue(RegRoot root, const std::string& path, const std::string& name);

    bool HasKey(RegRoot root, const std::string& path) const;
    bool GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& value) const;
    // Every Write that reached the registry (also the refused ones are not logged).
    const std::vector<WriteRecord>& Writes() const { return writes_; }
    void ClearWrites() { writes_.clear(); }
    // Writes of a value of this name fail from now on.
    void FailWritesOf(const std::string& name) { failingWrites_.insert(Lower(name)); }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }
    int OpensSoFar() const { return opens_; }

    Handle Root(RegRoot root) override;
    Handle Open(Handle parent, const std::string& path, RegAccess access) override;
    void Close(Handle key) override;
    RegEnum EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name) override;
    RegEnum EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name) override;
    bool Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value) override;
    bool Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size) override;

private:
    struct Node {
        std::string name;
        std::vector<std::unique_ptr<Node>> children;
        std::vector<std::pair<std::string, RegValue>> values;
    };
    struct OpenKey {
        Node* node;
        std::string path;
        RegAccess access;
    };

    static std::string Lower(const std::string& s);
    static std::vector<std::string> Split(const std::string& path);
    Node* RootNode(RegRoot root) const;
    Node* Find(Node* from, const std::string& path) const;
    Node* Make(RegRoot root, const std::string& path);
    static Node* Child(Node* node, const std::string& name);
    static std::pair<std::string, RegValue>* ValueOf(Node* node, const std::string& name);
    const OpenKey* Lookup(Handle key) const;

    std::unique_ptr<Node> localMachine_;
    std::unique_ptr<Node> currentUser_;
    std::map<Handle, OpenKey> handles_;
    Handle next_ = 100;
    int opens_ = 0;
    std::vector<WriteRecord> writes_;
    std::set<std::string> failingWrites_;
};
