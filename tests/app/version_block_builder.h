#pragma once
// Builds VS_VERSIONINFO blocks for tests, laid out as resource compilers write them.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class VersionBlockBuilder {
  public:
    struct Table {
        std::u16string key;  // e.g. u"080404b0"
        std::vector<std::pair<std::u16string, std::u16string>> strings;
    };

    static std::vector<uint8_t> Build(const std::vector<Table>& tables,
                                      const std::u16string& childKey = u"StringFileInfo") {
        std::vector<uint8_t> tableBytes;
        for (const auto& table : tables) {
            std::vector<uint8_t> strings;
            for (const auto& [key, value] : table.strings)
                Append(strings, Node(key, Text(value), static_cast<uint16_t>(value.size() + 1), 1));
            Append(tableBytes, Node(table.key, strings, 0, 1));
        }
        std::vector<uint8_t> child = Node(childKey, tableBytes, 0, 1);
        std::vector<uint8_t> fixed(52, 0);
        fixed[0] = 0xBD, fixed[1] = 0x04, fixed[2] = 0xEF, fixed[3] = 0xFE;
        std::vector<uint8_t> root;
        Header(root, u"VS_VERSION_INFO", 52, 0);
        root.insert(root.end(), fixed.begin(), fixed.end());
        Pad(root);
        root.insert(root.end(), child.begin(), child.end());
        SetLength(root);
        return root;
    }

  private:
    static std::vector<uint8_t> Text(const std::u16string& value) {
        std::vector<uint8_t> bytes;
        for (const char16_t c : value + u'\0') {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        return bytes;
    }
    static void Pad(std::vector<uint8_t>& bytes) {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
    static void Header(std::vector<uint8_t>& out, const std::u16string& key, uint16_t valueLength,
                       uint16_t type) {
        out.insert(out.end(),
                   {0, 0, static_cast<uint8_t>(valueLength & 0xFF),
                    static_cast<uint8_t>(valueLength >> 8), static_cast<uint8_t>(type), 0});
        const auto keyBytes = Text(key);
        out.insert(out.end(), keyBytes.begin(), keyBytes.end());
        Pad(out);
    }
    static void SetLength(std::vector<uint8_t>& node) {
        node[0] = static_cast<uint8_t>(node.size() & 0xFF);
        node[1] = static_cast<uint8_t>(node.size() >> 8);
    }
    static std::vector<uint8_t> Node(const std::u16string& key, const std::vector<uint8_t>& value,
                                     uint16_t valueLength, uint16_t type) {
        std::vector<uint8_t> node;
        Header(node, key, valueLength, type);
        node.insert(node.end(), value.begin(), value.end());
        SetLength(node);  // the length excludes the padding that follows
        Pad(node);
        return node;
    }
    static void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& node) {
        out.insert(out.end(), node.begin(), node.end());
    }
};
