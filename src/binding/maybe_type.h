// Failure and MaybeType<Failure, T>: the result-or-failure value of every conversion,
// codec and outbound call.
//
// A Failure is a Structure BindingProperty whose String field "error" holds the message.
//
//   using Port = Vela::MaybeType<Vela::Failure, int64_t>;
//   Port ReadPort(const Vela::BindingProperty& value) {
//     if (value.kind() != Vela::BindingKind::Signed) return Port::FromFailure("No port");
//     return Port(value.GetSignedOr(0));
//   }
//
// Every result says at construction whether it succeeded: there is no default
// constructor, so `return {};` does not compile. A status that conversions fill in place
// starts as Ok() (nothing has failed yet). Setting a failure replaces the content; the
// message of an ok result is the empty text. Reading the value of a failure is a fault in
// the caller: it raises the assertion "ALE-3F0A1C7E" (not fatal) and yields what the
// failure holds in the value's place.
#pragma once

#include <string_view>
#include <utility>

#include "binding/binding_property.h"

namespace Vela {

// Builds and reads the failure structure.
struct Failure {
  static constexpr std::string_view kErrorField = "error";
  static BindingProperty Make(std::string_view message);
  // The "error" field's text when it exists and is a String, else the empty text.
  static std::string_view MessageOf(const BindingProperty& failure) noexcept;
  // Reports a read of a failure's value (the assertion above). Kept out of line and cold
  // so that the check costs the hot readers one predictable branch.
  [[gnu::cold]] static void ReportValueOfFailure() noexcept;
};

template <typename F, typename T>
class MaybeType;

template <typename T>
class [[nodiscard]] MaybeType<Failure, T> {
 public:
  MaybeType() = delete;
  explicit MaybeType(T value) : ok_(true), value_(std::move(value)) {}

  // Success with a default T, for results filled in place.
  static MaybeType Ok() { return MaybeType(T{}); }
  static MaybeType FromFailure(std::string_view message) { return MaybeType(Failure::Make(message), kFailed); }
  // A failure carrying a prepared Failure structure: its "error" field is the message and
  // any further fields (a status code, named values) travel with it.
  static MaybeType FromFailureValue(BindingProperty failure) { return MaybeType(std::move(failure), kFailed); }

  bool ok() const noexcept { return ok_; }
  explicit operator bool() const noexcept { return ok_; }

  // Requires ok(); a failure reports it and yields a default T.
  const T& value() const& noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return value_;
  }
  T& value() & noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return value_;
  }
  T&& value() && noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return std::move(value_);
  }

  // The failure's message; empty when ok().
  std::string_view message() const noexcept {
    return ok_ ? std::string_view{} : Failure::MessageOf(failure_);
  }
  // The Failure structure; Empty when ok().
  const BindingProperty& failure() const noexcept { return failure_; }

  void SetFailure(std::string_view message) {
    value_ = T{};
    failure_ = Failure::Make(message);
    ok_ = false;
  }
  void SetValue(T value) {
    failure_.Reset();
    value_ = std::move(value);
    ok_ = true;
  }

 private:
  enum FailedTag { kFailed };
  MaybeType(BindingProperty failure, FailedTag) : ok_(false), value_{}, failure_(std::move(failure)) {}

  bool ok_;
  T value_;
  BindingProperty failure_;
};

// For BindingProperty the value and the failure share one slot: on failure the slot is
// reset and becomes the Failure structure.
template <>
class [[nodiscard]] MaybeType<Failure, BindingProperty> {
 public:
  MaybeType() = delete;
  explicit MaybeType(BindingProperty value) : ok_(true), slot_(std::move(value)) {}

  // Success with an Empty value: the status of a walk, or a result its decoder fills in
  // place through value().
  static MaybeType Ok() noexcept { return MaybeType(true); }
  static MaybeType FromFailure(std::string_view message) {
    MaybeType result(false);
    result.slot_.MutableField(Failure::kErrorField) = message;
    return result;
  }
  static MaybeType FromFailureValue(BindingProperty failure) {
    MaybeType result(false);
    result.slot_ = std::move(failure);
    return result;
  }

  bool ok() const noexcept { return ok_; }
  explicit operator bool() const noexcept { return ok_; }

  // Requires ok(); a failure reports it and yields the Failure structure.
  const BindingProperty& value() const& noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return slot_;
  }
  BindingProperty& value() & noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return slot_;
  }
  BindingProperty&& value() && noexcept {
    if (!ok_) [[unlikely]] Failure::ReportValueOfFailure();
    return std::move(slot_);
  }

  std::string_view message() const noexcept {
    return ok_ ? std::string_view{} : Failure::MessageOf(slot_);
  }
  // The Failure structure when not ok(); the slot, which then holds the value, when ok().
  const BindingProperty& failure() const noexcept { return slot_; }

  void SetFailure(std::string_view message) {
    slot_.Reset();
    slot_.MutableField(Failure::kErrorField) = message;
    ok_ = false;
  }
  void SetValue(BindingProperty value) {
    slot_ = std::move(value);
    ok_ = true;
  }
  // Marks the result ok without touching the slot, for a caller that has filled the slot
  // in place.
  void MarkOk() noexcept { ok_ = true; }

 private:
  explicit MaybeType(bool ok) noexcept : ok_(ok) {}

  bool ok_;
  BindingProperty slot_;
};

using BindingResult = MaybeType<Failure, BindingProperty>;

}  // namespace Vela
