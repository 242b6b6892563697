#pragma once

#include <string>
#include <utility>

namespace tintara {

// What an operation that can fail gives back: a result code (base/result_codes.h; 0 for success,
// shown to the user as the code's text) and, where the code alone does not tell enough, a detail
// line such as the file concerned or the cause the system gave. Every fallible function of the
// core returns one, so a failure carries its reason all the way to whoever shows it.
class Error {
 public:
  Error() = default;
  // Implicit, so a function can simply `return kImageCorrupt;`.
  Error(int code) : code_(code) {}  // NOLINT(google-explicit-constructor)
  Error(int code, std::string detail) : code_(code), detail_(std::move(detail)) {}

  int code() const { return code_; }
  const std::string& detail() const { return detail_; }
  bool ok() const { return code_ == 0; }
  bool failed() const { return code_ != 0; }

  // The same failure with a detail line; a detail already there is kept after it.
  Error WithDetail(const std::string& detail) const {
    if (detail.empty() || ok()) return *this;
    return Error(code_, detail_.empty() ? detail : detail + "\n" + detail_);
  }

  friend bool operator==(const Error& error, int code) { return error.code_ == code; }

 private:
  int code_ = 0;
  std::string detail_;
};

}  // namespace tintara
