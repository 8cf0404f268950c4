// CFuzzRegistry: the in-memory registry of the unit tests (testing/FakeRegistry.h) with the same answers,
// made cheap enough for millions of inputs: names are compared without regard to case in place rather
// than through lowered copies, paths are walked without being split into strings, and open keys sit in a
// table indexed by handle. It keeps no log of writes and has no failing names; the registry fuzz target
// asks neither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "RegistryAccess.h"

// Not instrumented: its comparisons are of names from the harness's tables, nothing the fuzzer can learn
// from, and each compared character otherwise calls a coverage hook.
#pragma clang attribute push(__attribute__((no_sanitize("coverage"))), apply_to = function)

class CFuzzRegistry : public IRegistry {
    struct Node;

public:
    // A key made by MakeKey, valid as long as the registry.
    using KeyRef = Node*;

    // Fixture setup; keys along the path are made as needed.
    void CreateKey(RegRoot root, const std::string& path) { Make(root, path); }
    KeyRef MakeKey(RegRoot root, const std::string& path) { return Make(root, path); }
    void SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
                  const std::vector<uint8_t>& data)
    {
        SetValue(Make(root, path), name, type, data.data(), data.size());
    }
    void SetValue(KeyRef key, const std::string& name, uint32_t type, const uint8_t* data, size_t size)
    {
        if (RegValue* existing = ValueOf(key, name.data(), name.size())) {
            existing->type = type;
            existing->data.assign(data, data + size);
            return;
        }
        key->values.emplace_back(name, RegValue{type, std::vector<uint8_t>(data, data + size)});
    }
    int OpenHandles() const { return open_; }

    Handle Root(RegRoot root) override { return root == RegRoot::LocalMachine ? kLocalMachine : kCurrentUser; }
    Handle Open(Handle parent, const std::string& path, RegAccess access) override
    {
        Node* from = nullptr;
        if (parent == kLocalMachine) {
            from = &nodes_[0];
        } else if (parent == kCurrentUser) {
            from = &nodes_[1];
        } else if (const OpenKey* open = Lookup(parent)) {
            from = open->node;
        }
        if (from == nullptr)
            return 0;
        Node* node = Find(from, path);
        if (node == nullptr)
            return 0;
        keys_.push_back(OpenKey{node, access, true});
        ++open_;
        return kFirstHandle + keys_.size() - 1;
    }
    void Close(Handle key) override
    {
        if (key < kFirstHandle || key - kFirstHandle >= keys_.size())
            return;
        OpenKey& open = keys_[key - kFirstHandle];
        if (open.open) {
            open.open = false;
            --open_;
        }
    }
    RegEnum EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name) override
    {
        const OpenKey* open = Lookup(key);
        if (open == nullptr || index >= open->node->children.size())
            return RegEnum::End;
        const std::string& found = open->node->children[index]->name;
        if (found.size() > maxChars)
            return RegEnum::TooLong;
        name = found;
        return RegEnum::Ok;
    }
    RegEnum EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name) override
    {
        const OpenKey* open = Lookup(key);
        if (open == nullptr || index >= open->node->values.size())
            return RegEnum::End;
        const std::string& found = open->node->values[index].first;
        if (found.size() > maxChars)
            return RegEnum::TooLong;
        name = found;
        return RegEnum::Ok;
    }
    bool Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value) override
    {
        const OpenKey* open = Lookup(key);
        if (open == nullptr)
            return false;
        const RegValue* found = ValueOf(open->node, name.data(), name.size());
        if (found == nullptr || found->data.size() > bufferSize)
            return false;
        value = *found;
        return true;
    }
    bool Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size) override
    {
        const OpenKey* open = Lookup(key);
        if (open == nullptr || open->access != RegAccess::Write)
            return false;
        if (RegValue* existing = ValueOf(open->node, name.data(), name.size())) {
            existing->type = type;
            existing->data.assign(data, data + size);
        } else {
            open->node->values.emplace_back(name, RegValue{type, std::vector<uint8_t>(data, data + size)});
        }
        return true;
    }

private:
    static constexpr Handle kLocalMachine = 1;
    static constexpr Handle kCurrentUser = 2;
    static constexpr Handle kFirstHandle = 100;

    struct Node {
        std::string name;
        std::vector<Node*> children;  // in the order they were made
        std::vector<std::pair<std::string, RegValue>> values;
    };
    struct OpenKey {
        Node* node;
        RegAccess access;
        bool open;
    };

    static char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
    static bool SameName(const std::string& a, const char* b, size_t length)
    {
        if (a.size() != length)
            return false;
        for (size_t i = 0; i < length; ++i) {
            if (Lower(a[i]) != Lower(b[i]))
                return false;
        }
        return true;
    }
    static Node* Child(Node* node, const char* name, size_t length)
    {
        for (Node* child : node->children) {
            if (SameName(child->name, name, length))
                return child;
        }
        return nullptr;
    }
    static RegValue* ValueOf(Node* node, const char* name, size_t length)
    {
        for (auto& value : node->values) {
            if (SameName(value.first, name, length))
                return &value.second;
        }
        return nullptr;
    }
    // Calls step(node, part, length) for each name of the path between backslashes, empty ones skipped;
    // stops with null when a step gives null.
    template <typename Step> static Node* Walk(Node* from, const std::string& path, Step step)
    {
        Node* node = from;
        size_t at = 0;
        while (node != nullptr && at < path.size()) {
            size_t end = path.find('\\', at);
            if (end == std::string::npos)
                end = path.size();
            if (end > at)
                node = step(node, path.data() + at, end - at);
            at = end + 1;
        }
        return node;
    }
    Node* Find(Node* from, const std::string& path)
    {
        return Walk(from, path, [](Node* node, const char* name, size_t length) { return Child(node, name, length); });
    }
    Node* Make(RegRoot root, const std::string& path)
    {
        Node* start = root == RegRoot::LocalMachine ? &nodes_[0] : &nodes_[1];
        return Walk(start, path, [this](Node* node, const char* name, size_t length) {
            if (Node* child = Child(node, name, length))
                return child;
            nodes_.push_back(Node{std::string(name, length), {}, {}});  // a deque: the others stay put
            node->children.push_back(&nodes_.back());
            return &nodes_.back();
        });
    }
    const OpenKey* Lookup(Handle key) const
    {
        if (key < kFirstHandle || key - kFirstHandle >= keys_.size())
            return nullptr;
        const OpenKey& open = keys_[key - kFirstHandle];
        return open.open ? &open : nullptr;
    }

    std::deque<Node> nodes_ = std::deque<Node>(2);  // the two roots, then every key made
    std::vector<OpenKey> keys_;
    int open_ = 0;
};

#pragma clang attribute pop
