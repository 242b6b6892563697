#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "engine/transform_fit.h"

namespace tintara {

// Layout of every profile this system writes: an ICC version 2 RGB input-device profile of fixed size
// whose private 'Tnrf' tag carries the fitted transform.
inline constexpr size_t kProfileSize = 5264;
inline constexpr int kDescriptionOffset = 304;   // the 64-byte description field inside 'desc'
inline constexpr int kDescriptionFieldSize = 64;  // 63 characters and a NUL
inline constexpr int kMaxDescriptionLength = 63;
inline constexpr size_t kPrivateTagSize = 3144;

// The maker's notice in the 'cprt' tag.
inline constexpr char kCopyrightNotice[] = "(c) Lumeno Tintara";
static_assert(sizeof(kCopyrightNotice) <= 20, "the notice field holds 19 characters and a NUL");

// Writes the profile for the outputs of the last fit in `context` (colourants, curves, matrix A)
// with the placeholder description "LN".
std::vector<uint8_t> WriteProfileBytes(const EngineContext& context);

// Frees the holder's bytes, fits, and on success or kPoorQuality writes the profile into the
// holder. Returns the result of opt_transform; on any other code the holder stays empty.
Error make_rgb_icc(const SampleSet& samples, const EngineReferenceSet& reference, ProfileHolder& holder,
                   EngineContext& context);

// Reads the private tag of a profile into context.colourants, baseCurves, gammaCurves and matrixA,
// and the description position into context.decodedDescriptionOffset (-1 without a 'desc' tag, and
// also when the 64-byte description field would not lie wholly inside that tag, clear of the
// header, the tag table and the private tag, so that rewriting it could change nothing else).
// Returns success, or 103 (kForeignProfile) for a profile without a readable private tag. The tag table
// and every tag read must lie inside the bytes and the description must end inside its tag;
// anything else is foreign, and nothing outside `size` bytes is ever read.
Error decode_icc_220(const uint8_t* bytes, size_t size, EngineContext& context);

// Whether `bytes` can be an ICC profile of any maker, judged by its header alone: at least the 128
// header bytes and the tag count, a size field (bytes 0 to 3, big-endian) equal to the number of
// bytes, the signature 'acsp' at byte 36, and a tag table that ends inside the bytes. Embedding
// anything else (an image, a truncated file) would hand readers of the image a profile that is none.
bool LooksLikeIccProfile(std::span<const uint8_t> bytes);

// The description field holds ISO 8859-1 text while descriptions in memory are UTF-8; the
// conversions (base/text_encoding.h) happen here, at the field, and nowhere else.

// What the field stores for the UTF-8 `description`: its ISO 8859-1 form (a character the field
// cannot hold, or a malformed byte, becomes "?"), ended at a NUL it contains, cut to its first 63
// characters.
std::string DescriptionFieldBytes(const std::string& description);

// The UTF-8 text a profile shows once `description` is set: the field's content read back. A
// record keeps this text, so it never shows a description its bytes do not hold.
std::string StoredDescription(const std::string& description);

// Writes the UTF-8 `description` (as DescriptionFieldBytes, NUL padded) into the 64-byte field at
// `offset`. Nothing else in the bytes changes. Returns kProfileSizeInconsistent, changing nothing,
// when the field does not lie inside the bytes: the description was then not written.
Error SetDescriptionInBytes(std::vector<uint8_t>& bytes, int offset, const std::string& description);

// The NUL-terminated description text at `offset`, cut to 63 characters, as UTF-8; empty when out
// of range.
std::string DescriptionFromBytes(const std::vector<uint8_t>& bytes, int offset);

}  // namespace tintara
