#include "FakeRegistry.h"

#include "ByteOrder.h"

namespace {

constexpr IRegistry::Handle kLocalMachineHandle = 1;
constexpr IRegistry::Handle kCurrentUserHandle = 2;

}  // namespace

CFakeRegistry::CFakeRegistry() : localMachine_(new Node), currentUser_(new Node) {}
CFakeRegistry::~CFakeRegistry() = default;

std::string CFakeRegistry::Lower(const std::string& s)
{
    std::string out(s);
    for (char& c : out)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

std::vector<std::string> CFakeRegistry::Split(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

CFakeRegistry::Node* CFakeRegistry::RootNode(RegRoot root) const
{
    return root == RegRoot::LocalMachine ? localMachine_.get() : currentUser_.get();
}

CFakeRegistry::Node* CFakeRegistry::Child(Node* node, const std::string& name)
{
    for (auto& child : node->children) {
        if (Lower(child->name) == Lower(name))
            return child.get();
    }
    return nullptr;
}

std::pair<std::string, RegValue>* CFakeRegistry::ValueOf(Node* node, const std::string& name)
{
    for (auto& value : node->values) {
        if (Lower(value.first) == Lower(name))
            return &value;
    }
    return nullptr;
}

CFakeRegistry::Node* CFakeRegistry::Find(Node* from, const std::string& path) const
{
    Node* node = from;
    for (const std::string& part : Split(path)) {
        node = Child(node, part);
        if (!node)
            return nullptr;
    }
    return node;
}

CFakeRegistry::Node* CFakeRegistry::Make(RegRoot root, const std::string& path)
{
    Node* node = RootNode(root);
    for (const std::string& part : Split(path)) {
        Node* child = Child(node, part);
        if (!child) {
            node->children.emplace_back(new Node);
            child = node->children.back().get();
            child->name = part;
        }
        node = child;
    }
    return node;
}

void CFakeRegistry::CreateKey(RegRoot root, const std::string& path)
{
    Make(root, path);
}

void CFakeRegistry::SetValue(RegRoot root, const std::string& path, const std::string& name, uint32_t type,
                             const std::vector<uint8_t>& data)
{
    Node* node = Make(root, path);
    RegValue value;
    value.type = type;
    value.data = data;
    if (auto* existing = ValueOf(node, name))
        existing->second = value;
    else
        node->values.emplace_back(name, value);
}

void CFakeRegistry::SetText(RegRoot root, const std::string& path, const std::string& name, const std::string& text)
{
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(root, path, name, kRegSz, data);
}

void CFakeRegistry::SetMulti(RegRoot root, const std::string& path, const std::string& name,
                             const std::vector<std::string>& items)
{
    std::vector<uint8_t> data;
    for (const std::string& item : items) {
        data.insert(data.end(), item.begin(), item.end());
        data.push_back(0);
    }
    data.push_back(0);
    SetValue(root, path, name, kRegMultiSz, data);
}

void CFakeRegistry::SetDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value)
{
    std::vector<uint8_t> data(4);
    StoreLe32(data.data(), value);
    SetValue(root, path, name, kRegDword, data);
}

void CFakeRegistry::DeleteValue(RegRoot root, const std::string& path, const std::string& name)
{
    Node* node = Find(RootNode(root), path);
    if (!node)
        return;
    for (auto it = node->values.begin(); it != node->values.end(); ++it) {
        if (Lower(it->first) == Lower(name)) {
            node->values.erase(it);
            return;
        }
    }
}

bool CFakeRegistry::HasKey(RegRoot root, const std::string& path) const
{
    return Find(RootNode(root), path) != nullptr;
}

bool CFakeRegistry::GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& value) const
{
    Node* node = Find(RootNode(root), path);
    if (!node)
        return false;
    auto* found = ValueOf(node, name);
    if (!found)
        return false;
    value = found->second;
    return true;
}

const CFakeRegistry::OpenKey* CFakeRegistry::Lookup(Handle key) const
{
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

IRegistry::Handle CFakeRegistry::Root(RegRoot root)
{
    return root == RegRoot::LocalMachine ? kLocalMachineHandle : kCurrentUserHandle;
}

IRegistry::Handle CFakeRegistry::Open(Handle parent, const std::string& path, RegAccess access)
{
    Node* from = nullptr;
    std::string base;
    if (parent == kLocalMachineHandle) {
        from = localMachine_.get();
        base = "HKLM";
    } else if (parent == kCurrentUserHandle) {
        from = currentUser_.get();
        base = "HKCU";
    } else if (const OpenKey* open = Lookup(parent)) {
        from = open->node;
        base = open->path;
    }
    if (!from)
        return 0;
    Node* node = Find(from, path);
    if (!node)
        return 0;
    const Handle handle = next_++;
    handles_[handle] = OpenKey{node, base + "\\" + path, access};
    ++opens_;
    return handle;
}

void CFakeRegistry::Close(Handle key)
{
    handles_.erase(key);
}

RegEnum CFakeRegistry::EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name)
{
    const OpenKey* open = Lookup(key);
    if (!open || index >= open->node->children.size())
        return RegEnum::End;
    const std::string& found = open->node->children[index]->name;
    if (found.size() > maxChars)
        return RegEnum::TooLong;
    name = found;
    return RegEnum::Ok;
}

RegEnum CFakeRegistry::EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name)
{
    const OpenKey* open = Lookup(key);
    if (!open || index >= open->node->values.size())
        return RegEnum::End;
    const std::string& found = open->node->values[index].first;
    if (found.size() > maxChars)
        return RegEnum::TooLong;
    name = found;
    return RegEnum::Ok;
}

bool CFakeRegistry::Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value)
{
    const OpenKey* open = Lookup(key);
    if (!open)
        return false;
    auto* found = ValueOf(open->node, name);
    if (!found || found->second.data.size() > bufferSize)
        return false;
    value = found->second;
    return true;
}

bool CFakeRegistry::Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size)
{
    const OpenKey* open = Lookup(key);
    if (!open || open->access != RegAccess::Write)
        return false;
    if (failingWrites_.count(Lower(name)))
        return false;
    RegValue value;
    value.type = type;
    value.data.assign(data, data + size);
    if (auto* existing = ValueOf(open->node, name))
        existing->second = value;
    else
        open->node->values.emplace_back(name, value);
    writes_.push_back(WriteRecord{open->path, name, type, value.data});
    return true;
}
