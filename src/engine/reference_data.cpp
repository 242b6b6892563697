#include "engine/reference_data.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>

#include "base/result_codes.h"
#include "base/text_encoding.h"

namespace tintara {
namespace {

constexpr uint8_t kMagic[4] = {'L', 'N', 'I', 'F'};
constexpr int32_t kVersion = 1;
constexpr int32_t kK7RecordType = 1;
constexpr int32_t kK3RecordType = 2;
constexpr size_t kEntryBytes = 16;
constexpr size_t kMaxNameLength = 255;

int32_t ReadInt32(const uint8_t* p) {
  const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(u);
}

uint32_t ReadUint32(const uint8_t* p) { return static_cast<uint32_t>(ReadInt32(p)); }

void AppendInt32(std::vector<uint8_t>& out, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(u >> shift));
}

// Only the low byte carries the key, and only the low 16 bits carry the value; whatever an old
// writer left in the upper half is dropped rather than treated as damage.
uint16_t Unscramble(uint32_t stored, int position) {
  return static_cast<uint16_t>((stored ^ kReferenceKey[position]) & 0xFFFFu);
}

// Reads from a buffer already in memory.
class MemorySource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

  size_t Read(uint8_t* dst, size_t n) {
    const size_t count = n < size_ - pos_ ? n : size_ - pos_;
    if (count > 0) std::memcpy(dst, data_ + pos_, count);
    pos_ += count;
    return count;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Reads straight from an open file. The file is streamed rather than slurped, so a huge or endless
// file costs no more memory than the records it really holds.
class FileSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}

  size_t Read(uint8_t* dst, size_t n) { return std::fread(dst, 1, n, file_); }

 private:
  std::FILE* file_;
};

// The one decoder behind both the file and the memory entry points. Records are appended one by
// one as they complete: the set count in the header is never trusted for an allocation, since a
// damaged file may claim two billion sets.
template <typename Source>
Error Decode(Source& source, ReferenceSetList& sets) {
  uint8_t buf[kEntryBytes];

  if (source.Read(buf, 4) != 4 || std::memcmp(buf, kMagic, 4) != 0) return kReferenceDataCorrupt;
  if (source.Read(buf, 4) != 4 || ReadInt32(buf) != kVersion) return kReferenceDataCorrupt;
  if (source.Read(buf, 4) != 4) return kReferenceDataCorrupt;
  const int32_t count = ReadInt32(buf);
  // No writer declares a negative number of sets: such a header is damage, not an empty file.
  if (count < 0) return kReferenceDataCorrupt;

  for (int32_t record = 0; record < count; ++record) {
    if (source.Read(buf, 4) != 4) return kReferenceDataCorrupt;
    const int32_t type = ReadInt32(buf);
    int entry_count = 0;
    if (type == kK7RecordType) {
      entry_count = kK7EntryCount;
    } else if (type == kK3RecordType) {
      entry_count = kK3EntryCount;
    } else {
      return kReferenceDataCorrupt;
    }

    // Reserved bytes: their content means nothing to us. A short read is left for the name length
    // read just below to catch, as that one then finds nothing either.
    source.Read(buf, 4);

    uint8_t name_length = 0;
    if (source.Read(&name_length, 1) != 1) return kReferenceDataCorrupt;

    ReferenceSet set;
    set.name.resize(name_length);
    if (name_length > 0 &&
        source.Read(reinterpret_cast<uint8_t*>(set.name.data()), name_length) != name_length) {
      return kReferenceDataCorrupt;
    }

    set.entries.resize(static_cast<size_t>(entry_count));
    for (ReferenceEntry& entry : set.entries) {
      if (source.Read(buf, kEntryBytes) != kEntryBytes) return kReferenceDataCorrupt;
      entry.R = Unscramble(ReadUint32(buf + 0), 0);
      entry.G = Unscramble(ReadUint32(buf + 4), 1);
      entry.B = Unscramble(ReadUint32(buf + 8), 2);
      entry.W = Unscramble(ReadUint32(buf + 12), 3);
    }
    sets.push_back(std::move(set));
  }
  return kOk;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

Error LoadReferenceData(ReferenceSetList& sets, const std::string& path) {
  sets.clear();

  // Only a regular file can be reference data: a folder opens fine on some systems and then fails on
  // the first read, and opening a named pipe would wait forever. To the user each is a file that is
  // not there.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return kReferenceDataMissing;

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return kReferenceDataMissing;

  FileSource source(file.get());
  return Decode(source, sets);
}

Error ParseReferenceData(ReferenceSetList& sets, const uint8_t* data, size_t size) {
  sets.clear();
  MemorySource source(data, size);
  return Decode(source, sets);
}

Error EncodeReferenceData(const ReferenceSetList& sets, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (sets.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Error(kReferenceSourceInvalid, "too many reference sets for one file");
  }
  for (size_t i = 0; i < sets.size(); ++i) {
    const ReferenceSet& set = sets[i];
    const std::string which =
        "reference set " + std::to_string(i + 1) + " (\"" + EscapeControlCharacters(set.name) + "\")";
    if (set.EntryCount() != kK7EntryCount && set.EntryCount() != kK3EntryCount) {
      return Error(kReferenceSourceInvalid, which + " has " + std::to_string(set.entries.size()) +
                                                " entries; it must have " + std::to_string(kK7EntryCount) +
                                                " or " + std::to_string(kK3EntryCount));
    }
    if (set.name.size() > kMaxNameLength) {
      return Error(kReferenceSourceInvalid, which + " has a name of " + std::to_string(set.name.size()) +
                                                " bytes; at most " + std::to_string(kMaxNameLength) + " fit");
    }
  }

  bytes.assign(kMagic, kMagic + 4);
  AppendInt32(bytes, kVersion);
  AppendInt32(bytes, static_cast<int32_t>(sets.size()));
  for (const ReferenceSet& set : sets) {
    AppendInt32(bytes, set.EntryCount() == kK7EntryCount ? kK7RecordType : kK3RecordType);
    AppendInt32(bytes, 0);  // reserved
    bytes.push_back(static_cast<uint8_t>(set.name.size()));
    bytes.insert(bytes.end(), set.name.begin(), set.name.end());
    for (const ReferenceEntry& entry : set.entries) {
      const uint16_t values[4] = {entry.R, entry.G, entry.B, entry.W};
      for (int position = 0; position < 4; ++position) {
        AppendInt32(bytes, static_cast<int32_t>(values[position] ^ kReferenceKey[position]));
      }
    }
  }
  return kOk;
}

}  // namespace tintara
