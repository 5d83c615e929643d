#pragma once
// Builds GIF data block by block for the tests: valid pictures that the system decodes,
// and damaged ones that the reader must survive.
#include <cstdint>
#include <string>
#include <vector>

namespace gif_test {

class GifBuilder {
  public:
    // A GIF with a global colour table of 2^tableBits entries (none when tableBits is 0).
    explicit GifBuilder(uint16_t width, uint16_t height, int tableBits = 2,
                        const char* signature = "GIF89a")
        : tableBits_(tableBits) {
        bytes.insert(bytes.end(), signature, signature + 6);
        Put16(width);
        Put16(height);
        bytes.push_back(tableBits > 0 ? static_cast<uint8_t>(0x80 | (tableBits - 1)) : 0);
        bytes.push_back(0);  // background index
        bytes.push_back(0);  // aspect
        for (int i = 0; i < (tableBits > 0 ? 1 << tableBits : 0); ++i) {
            Colour(0x000000);
        }
    }

    // Sets entry `index` of the global table to 0xRRGGBB.
    GifBuilder& SetColour(int index, uint32_t rgb) {
        const size_t at = 13 + 3 * static_cast<size_t>(index);
        bytes[at] = static_cast<uint8_t>(rgb >> 16);
        bytes[at + 1] = static_cast<uint8_t>(rgb >> 8);
        bytes[at + 2] = static_cast<uint8_t>(rgb);
        return *this;
    }

    GifBuilder& Control(uint16_t delay, uint8_t disposal) {
        bytes.insert(bytes.end(), {0x21, 0xF9, 4, static_cast<uint8_t>(disposal << 2)});
        Put16(delay);
        bytes.insert(bytes.end(), {0, 0});
        return *this;
    }

    // An image block whose pixels all have colour `index`, LZW-coded so that any decoder
    // reads it. A local colour table of 2^localBits entries is written when localBits > 0.
    GifBuilder& Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                      uint8_t index = 0, int localBits = 0) {
        return Image(left, top, width, height, std::vector<uint8_t>(size_t{width} * height, index),
                     localBits);
    }

    // An image block with the given pixels (colour indices, rows top-down).
    GifBuilder& Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height,
                      const std::vector<uint8_t>& pixels, int localBits = 0) {
        bytes.push_back(0x2C);
        Put16(left);
        Put16(top);
        Put16(width);
        Put16(height);
        bytes.push_back(localBits > 0 ? static_cast<uint8_t>(0x80 | (localBits - 1)) : 0);
        for (int i = 0; i < (localBits > 0 ? 1 << localBits : 0); ++i) {
            Colour(0x808080);
        }
        const int bits = localBits > 0 ? localBits : tableBits_;
        const int codeSize = bits < 2 ? 2 : bits;
        bytes.push_back(static_cast<uint8_t>(codeSize));
        SubBlocks(Lzw(codeSize, pixels));
        return *this;
    }

    GifBuilder& Application() {
        bytes.insert(bytes.end(), {0x21, 0xFF, 11});
        const std::string name = "NETSCAPE2.0";
        bytes.insert(bytes.end(), name.begin(), name.end());
        SubBlocks({1, 0, 0});
        return *this;
    }

    GifBuilder& Comment(const std::string& text) {
        bytes.insert(bytes.end(), {0x21, 0xFE});
        SubBlocks(std::vector<uint8_t>(text.begin(), text.end()));
        return *this;
    }

    // A plain-text extension with its text grid at the given place.
    GifBuilder& PlainText(uint16_t left, uint16_t top, uint16_t width, uint16_t height) {
        bytes.insert(bytes.end(), {0x21, 0x01, 12});
        Put16(left);
        Put16(top);
        Put16(width);
        Put16(height);
        bytes.insert(bytes.end(), {8, 8, 1, 0});
        SubBlocks({'h', 'i'});
        return *this;
    }

    GifBuilder& Raw(std::initializer_list<uint8_t> raw) {
        bytes.insert(bytes.end(), raw);
        return *this;
    }

    GifBuilder& Trailer() {
        bytes.push_back(0x3B);
        return *this;
    }

    std::vector<uint8_t> bytes;

  private:
    void Put16(uint16_t value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    void Colour(uint32_t rgb) {
        bytes.insert(bytes.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                   static_cast<uint8_t>(rgb)});
    }
    void SubBlocks(const std::vector<uint8_t>& data) {
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t count = data.size() - at < 255 ? data.size() - at : 255;
            bytes.push_back(static_cast<uint8_t>(count));
            bytes.insert(bytes.end(), data.begin() + at, data.begin() + at + count);
        }
        bytes.push_back(0);
    }
    // LZW without compression: a clear code well before the table would widen the codes,
    // so that every decoder reads them at one width.
    static std::vector<uint8_t> Lzw(int codeSize, const std::vector<uint8_t>& pixels) {
        const unsigned clear = 1u << codeSize;
        const unsigned run = clear > 4 ? clear - 3 : 1;
        const int width = codeSize + 1;
        std::vector<uint8_t> out;
        unsigned long long bits = 0;
        int count = 0;
        auto emit = [&](unsigned code) {
            bits |= static_cast<unsigned long long>(code) << count;
            count += width;
            while (count >= 8) {
                out.push_back(static_cast<uint8_t>(bits));
                bits >>= 8;
                count -= 8;
            }
        };
        for (size_t i = 0; i < pixels.size(); ++i) {
            if (i % run == 0) {
                emit(clear);
            }
            emit(pixels[i]);
        }
        emit(clear + 1);
        if (count > 0) {
            out.push_back(static_cast<uint8_t>(bits));
        }
        return out;
    }

    int tableBits_;
};

}  // namespace gif_test
