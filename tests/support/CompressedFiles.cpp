#include "CompressedFiles.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <random>

namespace lumen::test {

std::string Compressed(Compression format, const std::string& text) {
  std::string out;
  switch (format) {
    case Compression::Gzip: {
      z_stream stream = {};
      deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
      out.resize(deflateBound(&stream, static_cast<uLong>(text.size())));
      stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
      stream.avail_in = static_cast<uInt>(text.size());
      stream.next_out = reinterpret_cast<Bytef*>(out.data());
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, Z_FINISH);
      out.resize(stream.total_out);
      deflateEnd(&stream);
      break;
    }
    case Compression::Bzip2: {
      unsigned size = static_cast<unsigned>(text.size() + text.size() / 100 + 600);
      out.resize(size);
      BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(text.data()), static_cast<unsigned>(text.size()),
                               9, 0, 0);
      out.resize(size);
      break;
    }
    case Compression::Xz: {
      size_t size = 0;
      out.resize(lzma_stream_buffer_bound(text.size()));
      lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(text.data()),
                              text.size(), reinterpret_cast<uint8_t*>(out.data()), &size, out.size());
      out.resize(size);
      break;
    }
    case Compression::Zstd: {  // with the checksum the zstd tool writes
      ZSTD_CCtx* context = ZSTD_createCCtx();
      ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
      out.resize(ZSTD_compressBound(text.size()));
      out.resize(ZSTD_compress2(context, out.data(), out.size(), text.data(), text.size()));
      ZSTD_freeCCtx(context);
      break;
    }
    case Compression::None:
      break;
  }
  return out;
}

std::string Log(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  const char* levels[] = {"INFO", "WARN", "ERROR", "DEBUG"};
  std::string log;
  while (log.size() < size) {
    log += "2026-12-11T05:" + std::to_string(10 + random() % 50) + ":00.123Z " + levels[random() % 4] +
           " worker-" + std::to_string(random() % 16) + " request " + std::to_string(random()) + " took " +
           std::to_string(random() % 900) + " ms\n";
  }
  log.resize(size);
  return log;
}

}  // namespace lumen::test
