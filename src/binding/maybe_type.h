// Failure and MaybeType<Failure, T>: the result-or-failure value of every conversion,
// codec and outbound call.
//
// A Failure is a Structure BindingProperty whose String field "error" holds the message.
//
//   Vela::MaybeType<Vela::Failure, int32_t> port = ReadPort(value);
//   if (!port.ok()) return port.message();
//
// A default MaybeType is ok and holds a default T. Setting a failure replaces the content;
// the message of an ok result is the empty text.
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
};

template <typename F, typename T>
class MaybeType;

template <typename T>
class [[nodiscard]] MaybeType<Failure, T> {
 public:
  MaybeType() = default;
  MaybeType(T value) : value_(std::move(value)) {}

  static MaybeType FromFailure(std::string_view message) {
    MaybeType result;
    result.SetFailure(message);
    return result;
  }
  // A failure carrying a prepared Failure structure: its "error" field is the message and
  // any further fields (a status code, named values) travel with it.
  static MaybeType FromFailureValue(BindingProperty failure) {
    MaybeType result;
    result.value_ = T{};
    result.failure_ = std::move(failure);
    result.ok_ = false;
    return result;
  }

  bool ok() const noexcept { return ok_; }
  explicit operator bool() const noexcept { return ok_; }

  // Valid only when ok(); otherwise the default-constructed T.
  const T& value() const& noexcept { return value_; }
  T& value() & noexcept { return value_; }
  T&& value() && noexcept { return std::move(value_); }

  // The failure's message; empty when ok().
  std::string_view message() const noexcept {
    return ok_ ? std::string_view{} : Failure::MessageOf(failure_);
  }
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
  bool ok_ = true;
  T value_{};
  BindingProperty failure_;
};

// For BindingProperty the value and the failure share one slot: on failure the slot is
// reset and becomes the Failure structure.
template <>
class [[nodiscard]] MaybeType<Failure, BindingProperty> {
 public:
  MaybeType() = default;
  MaybeType(BindingProperty value) : slot_(std::move(value)) {}

  static MaybeType FromFailure(std::string_view message) {
    MaybeType result;
    result.SetFailure(message);
    return result;
  }
  static MaybeType FromFailureValue(BindingProperty failure) {
    MaybeType result;
    result.slot_ = std::move(failure);
    result.ok_ = false;
    return result;
  }

  bool ok() const noexcept { return ok_; }
  explicit operator bool() const noexcept { return ok_; }

  // The value when ok(); the Failure structure otherwise.
  const BindingProperty& value() const& noexcept { return slot_; }
  BindingProperty& value() & noexcept { return slot_; }
  BindingProperty&& value() && noexcept { return std::move(slot_); }

  std::string_view message() const noexcept {
    return ok_ ? std::string_view{} : Failure::MessageOf(slot_);
  }
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
  // Marks the result ok without touching the slot (conversions fill the slot in place).
  void MarkOk() noexcept { ok_ = true; }

 private:
  bool ok_ = true;
  BindingProperty slot_;
};

using BindingResult = MaybeType<Failure, BindingProperty>;

}  // namespace Vela
