#include "image/quarter_turn.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TINTARA_SHUFFLED_TURN 1
#endif

namespace tintara {

namespace {

// The plain turn: square tiles, so that both the rows read and the rows written stay in cache; a
// row-by-row loop writes one pixel per destination row and misses the cache on nearly every pixel
// of a photograph.
//
// Each pixel moves as one 4-byte load and one 4-byte store, half the memory operations of a 3-byte
// copy. The fourth byte stored lands on the next pixel of the same destination row, which comes from
// the neighbouring source row (the one above for a clockwise turn, below for a counter-clockwise
// one), so source rows are taken in the order that writes that neighbour later and puts the right
// byte there. The source row whose pixels end their destination rows would spill onto the start of
// the next destination row, written long before, or past the block's end; it and the last source row
// (whose last load would read past the source) move 3 bytes at a time.
void TurnInTiles(const uint8_t* source, uint8_t* destination, int64_t width, int64_t height, bool clockwise) {
  constexpr int64_t kTile = 64;
  const int64_t sourceStride = width * 3;
  const int64_t destinationStride = height * 3;
  const int64_t step = clockwise ? destinationStride : -destinationStride;
  // Row y's pixels, from x0 to x1.
  auto turnRow = [&](int64_t y, int64_t x0, int64_t x1) {
    const uint8_t* s = source + y * sourceStride + x0 * 3;
    // Clockwise (x, y) -> (height - 1 - y, x); counter-clockwise (x, y) -> (y, width - 1 - x).
    uint8_t* d = clockwise ? destination + x0 * destinationStride + (height - 1 - y) * 3
                           : destination + (width - 1 - x0) * destinationStride + y * 3;
    if (y == height - 1 || (clockwise && y == 0)) {
      for (int64_t x = x0; x < x1; ++x, s += 3, d += step) std::memcpy(d, s, 3);
      return;
    }
    for (int64_t x = x0; x < x1; ++x, s += 3, d += step) {
      uint32_t word;
      std::memcpy(&word, s, 4);
      std::memcpy(d, &word, 4);
    }
  };
  const int64_t bands = (height + kTile - 1) / kTile;
  for (int64_t b = 0; b < bands; ++b) {
    // Clockwise from the bottom band up and each band's rows bottom to top; counter-clockwise top down.
    const int64_t band = clockwise ? bands - 1 - b : b;
    const int64_t y0 = band * kTile;
    const int64_t y1 = std::min(y0 + kTile, height);
    for (int64_t x0 = 0; x0 < width; x0 += kTile) {
      const int64_t x1 = std::min(x0 + kTile, width);
      if (clockwise) {
        for (int64_t y = y1 - 1; y >= y0; --y) turnRow(y, x0, x1);
      } else {
        for (int64_t y = y0; y < y1; ++y) turnRow(y, x0, x1);
      }
    }
  }
}

#ifdef TINTARA_SHUFFLED_TURN

// The fast turn. The tiled one above is held back by memory, not arithmetic: every destination
// line is first fetched only to be overwritten, and lines come back piecemeal. Here a band of
// source columns is turned into a working block holding the band's destination rows whole (they
// lie next to each other in the destination too), in 4 x 4 pixel blocks by byte shuffles, and the
// block is then written out in one run with stores that bypass the cache. The destination is
// written once and never read, as a memory copy would.
//
// Columns per band: enough for long runs, few enough that the working block stays near the cache.
constexpr int64_t kBandColumns = 80;
constexpr int64_t kWorkingBytes = int64_t{2} << 20;

// Writes `bytes` bytes at `to` from `from`: the 16-byte aligned middle with streaming stores, the
// ends plainly.
__attribute__((target("ssse3"))) void StreamOut(uint8_t* to, const uint8_t* from, int64_t bytes) {
  const int64_t head = std::min<int64_t>((16 - (reinterpret_cast<uintptr_t>(to) & 15)) & 15, bytes);
  std::memcpy(to, from, static_cast<size_t>(head));
  int64_t i = head;
  for (; i + 64 <= bytes; i += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(to + i), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(to + i + 48), d);
  }
  std::memcpy(to + i, from + i, static_cast<size_t>(bytes - i));
}

// Stores the low 12 bytes of `v` at `to`.
__attribute__((target("ssse3"))) inline void Store12(uint8_t* to, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), v);
  const int32_t rest = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
  std::memcpy(to + 8, &rest, 4);
}

// One source row's 4 pixels, each widened to 4 bytes. The 16-byte load takes 4 bytes beyond them.
__attribute__((target("ssse3"))) inline __m128i SpreadFour(const uint8_t* s) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), spread);
}

// Turns the 4 x 4 pixels whose top-left pixel is at `s` (rows `sourceStride` apart); the loads read
// 4 bytes beyond each row's pixels, so the caller never gives the block that ends the source. The
// turned rows go to `d`, `d + step`, `d + 2 step` and `d + 3 step`, for source columns 0 to 3.
template <bool clockwise>
__attribute__((target("ssse3"))) inline void TurnBlock(const uint8_t* s, int64_t sourceStride, uint8_t* d,
                                                        int64_t step) {
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  // A turned row lists the source rows bottom up when clockwise, top down otherwise.
  const __m128i a = SpreadFour(s + (clockwise ? 3 : 0) * sourceStride);
  const __m128i b = SpreadFour(s + (clockwise ? 2 : 1) * sourceStride);
  const __m128i c = SpreadFour(s + (clockwise ? 1 : 2) * sourceStride);
  const __m128i e = SpreadFour(s + (clockwise ? 0 : 3) * sourceStride);
  const __m128i ab0 = _mm_unpacklo_epi32(a, b), ce0 = _mm_unpacklo_epi32(c, e);
  const __m128i ab1 = _mm_unpackhi_epi32(a, b), ce1 = _mm_unpackhi_epi32(c, e);
  Store12(d, _mm_shuffle_epi8(_mm_unpacklo_epi64(ab0, ce0), pack));
  Store12(d + step, _mm_shuffle_epi8(_mm_unpackhi_epi64(ab0, ce0), pack));
  Store12(d + 2 * step, _mm_shuffle_epi8(_mm_unpacklo_epi64(ab1, ce1), pack));
  Store12(d + 3 * step, _mm_shuffle_epi8(_mm_unpackhi_epi64(ab1, ce1), pack));
}

// Turns source columns x0 .. x0 + columns - 1 into `work`, whose row k is the k-th of the band's
// destination rows in destination order.
template <bool clockwise>
__attribute__((target("ssse3"))) void TurnBand(const uint8_t* source, int64_t width, int64_t height, int64_t x0,
                                               int64_t columns, uint8_t* work) {
  const int64_t sourceStride = width * 3;
  const int64_t rowBytes = height * 3;
  // Where source pixel (x, y) of the band lands in `work`.
  auto target = [&](int64_t x, int64_t y) {
    const int64_t k = clockwise ? x - x0 : x0 + columns - 1 - x;
    return work + k * rowBytes + (clockwise ? height - 1 - y : y) * 3;
  };
  auto copyPixel = [&](int64_t x, int64_t y) { std::memcpy(target(x, y), source + y * sourceStride + x * 3, 3); };
  const int64_t blockColumns = columns & ~int64_t{3};
  const int64_t blockRows = height & ~int64_t{3};
  const int64_t step = clockwise ? rowBytes : -rowBytes;
  // In the last row of blocks, a block whose loads would run past the end of the source is left
  // for the pixel-by-pixel copy, with any after it.
  int64_t heldFrom = blockColumns;
  for (int64_t y = 0; y < blockRows; y += 4) {
    const uint8_t* s = source + y * sourceStride + x0 * 3;
    // The rows a few blocks down are asked for early: the loads walk down the image far apart.
    if (y + 16 <= height) {
      for (int64_t k = 12; k < 16; ++k) {
        for (int64_t o = 0; o < columns * 3; o += 64) {
          _mm_prefetch(reinterpret_cast<const char*>(s + k * sourceStride + o), _MM_HINT_T0);
        }
      }
    }
    for (int64_t bx = 0; bx < blockColumns; bx += 4) {
      if (y + 4 == height && (x0 + bx) * 3 + 16 > sourceStride) {
        heldFrom = bx;
        break;
      }
      // Source column x0 + bx's turned row holds the block's top row last (clockwise) or first.
      TurnBlock<clockwise>(s + bx * 3, sourceStride, target(x0 + bx, clockwise ? y + 3 : y), step);
    }
  }
  // What the blocks leave: the band's last few columns, the image's last few rows, and the blocks
  // held back.
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = x0 + blockColumns; x < x0 + columns; ++x) copyPixel(x, y);
  }
  for (int64_t y = blockRows; y < height; ++y) {
    for (int64_t x = x0; x < x0 + blockColumns; ++x) copyPixel(x, y);
  }
  for (int64_t y = height - 4; heldFrom < blockColumns && y < height; ++y) {
    for (int64_t x = x0 + heldFrom; x < x0 + blockColumns; ++x) copyPixel(x, y);
  }
}

template <bool clockwise>
bool TurnInBands(const uint8_t* source, uint8_t* destination, int64_t width, int64_t height) {
  const int64_t rowBytes = height * 3;
  const int64_t columns = std::min({kBandColumns, width, (kWorkingBytes / rowBytes) & ~int64_t{3}});
  if (columns < std::min<int64_t>(4, width)) return false;  // a very tall image: rows too long to hold a band
  const std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[static_cast<size_t>(columns * rowBytes)]);
  if (!work) return false;
  for (int64_t x0 = 0; x0 < width; x0 += columns) {
    const int64_t n = std::min(columns, width - x0);
    TurnBand<clockwise>(source, width, height, x0, n, work.get());
    const int64_t firstRow = clockwise ? x0 : width - x0 - n;
    StreamOut(destination + firstRow * rowBytes, work.get(), n * rowBytes);
  }
  _mm_sfence();  // the streamed stores are seen before anything that follows
  return true;
}

#endif  // TINTARA_SHUFFLED_TURN

}  // namespace

void TurnQuarter(const uint8_t* source, uint8_t* destination, int64_t width, int64_t height, bool clockwise) {
  if (width <= 0 || height <= 0) return;
#ifdef TINTARA_SHUFFLED_TURN
  if (__builtin_cpu_supports("ssse3")) {
    const bool done = clockwise ? TurnInBands<true>(source, destination, width, height)
                                : TurnInBands<false>(source, destination, width, height);
    if (done) return;
  }
#endif
  TurnInTiles(source, destination, width, height, clockwise);
}

}  // namespace tintara
