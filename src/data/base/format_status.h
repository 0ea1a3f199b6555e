#pragma once
// Results of the file-format readers and writers (dbf_header, dbf_record, fpt_memo, dbt_memo).
//
// The format layer never raises error objects itself: it returns a FormatError naming the file,
// the byte offset where the damage was found and a reason. The table access layer above turns
// a failure into the error object of the current handler (with its own generic code, driver
// name and operation), because only it knows which operation failed.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>

namespace tabrix {

enum class FormatErrorKind {
  kCorruption,    // the bytes contradict the format (lengths, pointers, counts)
  kUnsupported,   // a valid file of a kind this program does not read (dBASE II, dBASE 7, ...)
  kInvalidValue,  // a value handed in for writing does not fit the field
};

struct FormatError {
  FormatErrorKind kind = FormatErrorKind::kCorruption;
  std::string fileName;
  uint64_t offset = 0;  // byte offset in the file where the problem was found
  std::string reason;   // English developer text; the layer above words the user message

  // "file.dbf @123: reason" for logs and test failure messages.
  std::string ToString() const { return fileName + " @" + std::to_string(offset) + ": " + reason; }
};

inline FormatError Corruption(std::string fileName, uint64_t offset, std::string reason) {
  return {FormatErrorKind::kCorruption, std::move(fileName), offset, std::move(reason)};
}

// A value or a FormatError. Deliberately small: ok(), value(), error().
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}
  Result(FormatError error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  // REQUIRES: ok().
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  // REQUIRES: !ok().
  const FormatError& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, FormatError> v_;
};

// Success or a FormatError, for operations without a result value. Success is a null pointer:
// the decoders return a Status for every field they read, and an error object held by value
// would be built and destroyed on each of those calls.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(FormatError error) : error_(std::make_unique<FormatError>(std::move(error))) {}
  Status(const Status& other)
      : error_(other.error_ ? std::make_unique<FormatError>(*other.error_) : nullptr) {}
  Status& operator=(const Status& other) {
    if (this != &other) {
      error_ = other.error_ ? std::make_unique<FormatError>(*other.error_) : nullptr;
    }
    return *this;
  }
  Status(Status&&) noexcept = default;
  Status& operator=(Status&&) noexcept = default;

  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  // An empty FormatError when ok().
  const FormatError& error() const {
    static const FormatError kNone;
    return error_ ? *error_ : kNone;
  }

 private:
  std::unique_ptr<FormatError> error_;
};

}  // namespace tabrix
