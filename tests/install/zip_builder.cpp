#include "zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace {

void Put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (rc != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    return out;
}

// The traditional PKWARE stream cipher, encrypting side.
class Cipher {
  public:
    explicit Cipher(const std::string& password) {
        for (unsigned char c : password)
            Update(c);
    }
    char Encrypt(char plain) {
        const uint32_t t = (keys_[2] | 2) & 0xFFFF;
        const auto mask = static_cast<unsigned char>((t * (t ^ 1)) >> 8);
        Update(static_cast<unsigned char>(plain));
        return static_cast<char>(static_cast<unsigned char>(plain) ^ mask);
    }

  private:
    static uint32_t Step(uint32_t crc, unsigned char c) {
        return ~static_cast<uint32_t>(crc32(~crc & 0xFFFFFFFFu, &c, 1));
    }
    void Update(unsigned char c) {
        keys_[0] = Step(keys_[0], c);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
        keys_[2] = Step(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
    }
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

}  // namespace

std::string BuildZip(const std::vector<TestZipEntry>& entries) {
    std::string archive;
    std::string central;
    for (const auto& entry : entries) {
        uint32_t crc =
            static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                        static_cast<uInt>(entry.data.size())));
        std::string body = entry.deflate ? Deflate(entry.data) : entry.data;
        if (entry.damageData && !body.empty())
            for (size_t i = body.size() / 3; i < body.size(); i += 7)
                body[i] = static_cast<char>(body[i] ^ 0x5A);
        uint16_t flag = 0;
        if (!entry.password.empty()) {
            flag |= 0x1;
            Cipher cipher(entry.password);
            std::string sealed;
            for (int i = 0; i < 11; ++i)
                sealed += cipher.Encrypt(static_cast<char>(0x31 * i + 7));
            const auto check =
                static_cast<char>(entry.dataDescriptor ? (entry.dosTime >> 8) : (crc >> 24));
            sealed += cipher.Encrypt(check);
            for (char c : body)
                sealed += cipher.Encrypt(c);
            body = sealed;
        }
        if (entry.dataDescriptor)
            flag |= 0x8;
        if (entry.wrongCrc)
            crc ^= 0x00FF00FFu;
        const unsigned method = entry.deflate ? 8 : 0;
        const auto declared = static_cast<uint32_t>(
            entry.claimedSize >= 0 ? static_cast<uint64_t>(entry.claimedSize) : entry.data.size());
        const auto offset = static_cast<uint32_t>(archive.size());

        Put32(archive, 0x04034b50);
        Put16(archive, 20);
        Put16(archive, flag);
        Put16(archive, method);
        Put16(archive, entry.dosTime);
        Put16(archive, entry.dosDate);
        Put32(archive, entry.dataDescriptor ? 0 : crc);
        Put32(archive, entry.dataDescriptor ? 0 : static_cast<uint32_t>(body.size()));
        Put32(archive, entry.dataDescriptor ? 0 : declared);
        Put16(archive, static_cast<unsigned>(entry.name.size()));
        Put16(archive, static_cast<unsigned>(entry.localExtra.size()));
        archive += entry.name;
        archive += entry.localExtra;
        archive += body;
        if (entry.dataDescriptor) {
            Put32(archive, 0x08074b50);
            Put32(archive, crc);
            Put32(archive, static_cast<uint32_t>(body.size()));
            Put32(archive, declared);
        }

        Put32(central, 0x02014b50);
        Put16(central, entry.madeBy);
        Put16(central, 20);
        Put16(central, flag);
        Put16(central, method);
        Put16(central, entry.dosTime);
        Put16(central, entry.dosDate);
        Put32(central, crc);
        Put32(central, static_cast<uint32_t>(body.size()));
        Put32(central, declared);
        Put16(central, static_cast<unsigned>(entry.name.size()));
        Put16(central, 0);  // extra
        Put16(central, 0);  // comment
        Put16(central, 0);  // disk
        Put16(central, 0);  // internal attributes
        Put32(central, entry.externalAttributes);
        Put32(central, offset);
        central += entry.name;
    }
    const auto centralOffset = static_cast<uint32_t>(archive.size());
    archive += central;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<unsigned>(entries.size()));
    Put16(archive, static_cast<unsigned>(entries.size()));
    Put32(archive, static_cast<uint32_t>(central.size()));
    Put32(archive, centralOffset);
    Put16(archive, 0);
    return archive;
}

std::string ExtendedTimestampBlock(int64_t modification, int64_t access, int64_t creation) {
    std::string times;
    unsigned flags = 0;
    const int64_t values[] = {modification, access, creation};
    for (unsigned bit = 0; bit < 3; ++bit) {
        if (values[bit] < 0)
            continue;
        flags |= 1u << bit;
        Put32(times, static_cast<uint32_t>(values[bit]));
    }
    std::string block;
    Put16(block, 0x5455);
    Put16(block, static_cast<unsigned>(1 + times.size()));
    block += static_cast<char>(flags);
    block += times;
    return block;
}

TestZipEntry FileEntry(const std::string& name, const std::string& data, bool deflate) {
    TestZipEntry entry;
    entry.name = name;
    entry.data = data;
    entry.deflate = deflate;
    return entry;
}

TestZipEntry DirectoryEntry(const std::string& name) {
    TestZipEntry entry;
    entry.name = name;
    entry.externalAttributes = (040755u << 16) | 0x10;
    return entry;
}

TestZipEntry SymlinkEntry(const std::string& name, const std::string& target) {
    TestZipEntry entry;
    entry.name = name;
    entry.data = target;
    entry.externalAttributes = 0120777u << 16;
    return entry;
}
