#include "install/zip_file_io.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"

namespace {

// minizip reads the headers a few bytes at a time; a window of the file kept in memory
// saves a system call for each of those reads.
constexpr size_t kWindowSize = 64 * 1024;

struct Stream {
    platform::File file;
    int64_t position = 0;
    int64_t size = 0;
    bool failed = false;
    std::vector<char> window;
    int64_t windowStart = 0;
    size_t windowLength = 0;
};

// Reads directly from the file, without the window.
uLong ReadDirect(Stream& stream, char* buffer, uLong size) {
    uLong total = 0;
    while (total < size) {
        const int64_t n = stream.file.ReadAt(stream.position, buffer + total, size - total);
        if (n < 0) {
            stream.failed = true;
            break;
        }
        if (n == 0)
            break;
        stream.position += n;
        total += static_cast<uLong>(n);
    }
    return total;
}

voidpf ZCALLBACK OpenFile(voidpf, const void* path, int mode) {
    // Archives are only ever read.
    if (path == nullptr || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    auto* stream = new Stream;
    if (!stream->file.Open(static_cast<const wchar_t*>(path), platform::File::Mode::Read)) {
        delete stream;
        return nullptr;
    }
    stream->size = stream->file.Size();
    return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf opaque, void* buffer, uLong size) {
    auto& stream = *static_cast<Stream*>(opaque);
    char* out = static_cast<char*>(buffer);
    uLong total = 0;
    while (total < size) {
        const int64_t offset = stream.position - stream.windowStart;
        if (offset >= 0 && offset < static_cast<int64_t>(stream.windowLength)) {
            const size_t available = stream.windowLength - static_cast<size_t>(offset);
            const size_t take = std::min<size_t>(available, size - total);
            std::memcpy(out + total, stream.window.data() + offset, take);
            stream.position += static_cast<int64_t>(take);
            total += static_cast<uLong>(take);
            continue;
        }
        // Nothing lies past the end: a broken header makes minizip read there byte by
        // byte, which must not cost a system call each.
        if (stream.size >= 0 && stream.position >= stream.size)
            break;
        // Large reads (entry data) bypass the window.
        if (size - total >= kWindowSize)
            return total + ReadDirect(stream, out + total, size - total);
        stream.window.resize(kWindowSize);
        const int64_t n = stream.file.ReadAt(stream.position, stream.window.data(), kWindowSize);
        if (n < 0)
            stream.failed = true;
        if (n <= 0) {
            stream.windowLength = 0;
            break;
        }
        stream.windowStart = stream.position;
        stream.windowLength = static_cast<size_t>(n);
    }
    return total;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK TellFile(voidpf, voidpf opaque) {
    return static_cast<ZPOS64_T>(static_cast<Stream*>(opaque)->position);
}

long ZCALLBACK SeekFile(voidpf, voidpf opaque, ZPOS64_T offset, int origin) {
    auto* stream = static_cast<Stream*>(opaque);
    int64_t base = 0;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            base = 0;
            break;
        case ZLIB_FILEFUNC_SEEK_CUR:
            base = stream->position;
            break;
        case ZLIB_FILEFUNC_SEEK_END:
            base = stream->size;
            break;
        default:
            return -1;
    }
    const int64_t to = base + static_cast<int64_t>(offset);
    if (to < 0)
        return -1;
    stream->position = to;
    return 0;
}

int ZCALLBACK CloseFile(voidpf, voidpf opaque) {
    delete static_cast<Stream*>(opaque);
    return 0;
}

int ZCALLBACK TestError(voidpf, voidpf opaque) {
    return static_cast<Stream*>(opaque)->failed ? 1 : 0;
}

}  // namespace

void FillWideFileFunctions(zlib_filefunc64_def& functions) {
    functions.zopen64_file = OpenFile;
    functions.zread_file = ReadStream;
    functions.zwrite_file = WriteStream;
    functions.ztell64_file = TellFile;
    functions.zseek64_file = SeekFile;
    functions.zclose_file = CloseFile;
    functions.zerror_file = TestError;
    functions.opaque = nullptr;
}
