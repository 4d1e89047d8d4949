#include "platform/registry/RegistryStore.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "platform/system/Ascii.h"
#include "platform/system/NumberText.h"

namespace reg::detail {

std::string fold(const std::string& text) { return sys::asciiLower(text); }

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            if (!current.empty()) parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parts.push_back(current);
    return parts;
}

std::string joinPath(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty()) out += '\\';
        out += part;
    }
    return out;
}

const Value* KeyEntry::find(const std::string& name) const {
    std::string folded = fold(name);
    for (const auto& value : values) {
        if (fold(value.name) == folded) return &value;
    }
    return nullptr;
}

Value* KeyEntry::find(const std::string& name) {
    return const_cast<Value*>(static_cast<const KeyEntry*>(this)->find(name));
}

namespace {

std::string normal(const std::string& path) { return fold(joinPath(splitPath(path))); }

std::string escape(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c == '%' || c < 0x20 || c == 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int hi = hexDigit(text[i + 1]);
        int lo = hexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

std::string encodeData(const Value& value) {
    switch (kindOf(value.type)) {
        case DataKind::Text:
            return escape(value.text);
        case DataKind::Number:
            return std::to_string(value.number);
        case DataKind::Bytes:
            break;
    }
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (uint8_t b : value.bytes) {
        out += hex[b >> 4];
        out += hex[b & 0xF];
    }
    return out;
}

bool decodeData(const std::string& data, Value& value) {
    switch (kindOf(value.type)) {
        case DataKind::Text:
            return unescape(data, value.text);
        case DataKind::Number: {
            if (data.empty()) return false;
            const std::optional<int32_t> n = sys::parseNumber<int32_t>(data);
            if (!n) return false;
            value.number = *n;
            return true;
        }
        case DataKind::Bytes:
            break;
    }
    if (data.size() % 2 != 0) return false;
    value.bytes.clear();
    for (size_t i = 0; i < data.size(); i += 2) {
        int hi = hexDigit(data[i]);
        int lo = hexDigit(data[i + 1]);
        if (hi < 0 || lo < 0) return false;
        value.bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

}  // namespace

bool Store::exists(const std::string& path) const {
    std::string n = normal(path);
    return n.empty() || keys.count(n) != 0;
}

const KeyEntry* Store::key(const std::string& path) const {
    auto it = keys.find(normal(path));
    return it == keys.end() ? nullptr : &it->second;
}

KeyEntry* Store::key(const std::string& path) {
    std::string n = normal(path);
    auto it = keys.find(n);
    if (it != keys.end()) return &it->second;
    if (n.empty()) {
        // The root always exists; give it an entry when it is first needed.
        return &keys[""];
    }
    return nullptr;
}

bool Store::create(const std::string& path) {
    bool created = false;
    std::vector<std::string> spelled;
    for (const auto& part : splitPath(path)) {
        spelled.push_back(part);
        std::string n = fold(joinPath(spelled));
        auto it = keys.find(n);
        if (it == keys.end()) {
            KeyEntry entry;
            entry.path = joinPath(spelled);
            it = keys.emplace(n, std::move(entry)).first;
            created = true;
        }
        // Further components follow the spelling already stored.
        spelled = splitPath(it->second.path);
    }
    return created;
}

std::vector<std::string> Store::subkeyNames(const std::string& path) const {
    std::string n = normal(path);
    std::string prefix = n.empty() ? "" : n + "\\";
    std::vector<std::string> names;
    for (auto it = keys.lower_bound(prefix); it != keys.end(); ++it) {
        const std::string& k = it->first;
        if (k.compare(0, prefix.size(), prefix) != 0) break;
        if (k.size() == prefix.size()) continue;  // the root entry
        if (k.find('\\', prefix.size()) != std::string::npos) continue;
        auto parts = splitPath(it->second.path);
        names.push_back(parts.empty() ? "" : parts.back());
    }
    return names;
}

bool Store::hasSubkeys(const std::string& path) const { return !subkeyNames(path).empty(); }

std::string Store::serialize(const std::string& rootName) const {
    std::string out = "# Registry store " + rootName + "\n";
    for (const auto& [folded, entry] : keys) {
        out += "K\t" + escape(entry.path) + "\n";
        for (const auto& value : entry.values) {
            out += "V\t" + escape(value.name) + "\t" + std::to_string(value.type) + "\t" + encodeData(value) + "\n";
        }
    }
    return out;
}

bool Store::parse(const std::string& text) {
    keys.clear();
    bool clean = true;
    KeyEntry* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        auto fields = splitTabs(line);
        if (fields[0] == "K" && fields.size() == 2) {
            std::string path;
            if (!unescape(fields[1], path)) {
                clean = false;
                current = nullptr;
                continue;
            }
            create(path);
            current = key(path);
        } else if (fields[0] == "V" && fields.size() == 4 && current) {
            Value value;
            const std::optional<uint32_t> type = sys::parseNumber<uint32_t>(fields[2]);
            if (!type || !unescape(fields[1], value.name)) {
                clean = false;
                continue;
            }
            value.type = *type;
            if (!decodeData(fields[3], value)) {
                clean = false;
                continue;
            }
            if (Value* existing = current->find(value.name)) {
                *existing = value;
            } else {
                current->values.push_back(value);
            }
        } else {
            clean = false;
        }
    }
    return clean;
}

}  // namespace reg::detail
