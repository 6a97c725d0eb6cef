// Minizip callbacks over kv::FileHandle: positioned reads on a handle the platform
// opened, with the position kept here.
#include "minizip_platform_io.h"

#include <cstdint>
#include <memory>

#include "KVPlatform/file_handle.h"

namespace kv::datamanager {
namespace {

struct Stream {
  kv::FileHandle handle;
  uint64_t position = 0;
  uint64_t size = 0;
  bool failed = false;
};

// The "file name" minizip hands to the open callback: the stream opened beforehand.
voidpf OpenStream(voidpf, const void* name, int) { return const_cast<void*>(name); }

uLong ReadStream(voidpf, voidpf opaque, void* buffer, uLong size) {
  auto* stream = static_cast<Stream*>(opaque);
  size_t got = 0;
  if (!stream->handle.ReadAt(stream->position, buffer, size, &got).ok()) {
    stream->failed = true;
    return 0;
  }
  stream->position += got;
  return static_cast<uLong>(got);
}

uLong WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }  // read only

ZPOS64_T TellStream(voidpf, voidpf opaque) { return static_cast<Stream*>(opaque)->position; }

long SeekStream(voidpf, voidpf opaque, ZPOS64_T offset, int origin) {
  auto* stream = static_cast<Stream*>(opaque);
  uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = stream->size; break;
    default: return -1;
  }
  stream->position = base + offset;
  return 0;
}

int CloseStream(voidpf, voidpf opaque) {
  std::unique_ptr<Stream> stream(static_cast<Stream*>(opaque));
  return stream->handle.Close().ok() ? 0 : -1;
}

int ErrorOfStream(voidpf, voidpf opaque) { return static_cast<Stream*>(opaque)->failed ? 1 : 0; }

}  // namespace

unzFile OpenZipThroughPlatform(std::wstring_view path) {
  auto stream = std::make_unique<Stream>();
  kv::HandleInfo info;
  if (!kv::FileHandle::OpenForReading(path, &stream->handle, &info).ok() ||
      info.kind != kv::HandleKind::kDiskFile) {
    return nullptr;
  }
  stream->size = info.size;
  zlib_filefunc64_def functions{};
  functions.zopen64_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell64_file = TellStream;
  functions.zseek64_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = ErrorOfStream;
  Stream* raw = stream.release();
  unzFile zip = unzOpen2_64(raw, &functions);
  // Minizip closes the stream itself when the archive cannot be read.
  return zip;
}

}  // namespace kv::datamanager
