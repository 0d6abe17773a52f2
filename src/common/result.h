// SPDX-License-Identifier: MIT
#pragma once

#include <version>

#include "common/status.h"

#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202211L
#include <expected>
#else
#include <cstdlib>
#include <type_traits>
#include <utility>
#include <variant>
#endif

namespace veltrane {

// What a call gives back: its value, or the Status that says why there is none. A failure is
// always spelled `Failure(status)`: a bare Status would convert to its code, and the code to an
// integer value, so the wrapper keeps a failure from passing for a result.
#if defined(__cpp_lib_expected) && __cpp_lib_expected >= 202211L

template <class T>
using Result = std::expected<T, Status>;
using Failure = std::unexpected<Status>;

#else

// The standard's std::unexpected<Status>, for compilers whose library lacks <expected>.
class Failure {
 public:
  explicit Failure(Status status) : status_(std::move(status)) {}
  const Status& error() const& { return status_; }
  Status&& error() && { return std::move(status_); }

 private:
  Status status_;
};

// The shape of std::expected<T, Status> that this code uses. Reaching for the value of a failure
// (or the error of a value) is a bug in the caller, and stops the process as the standard's
// unchecked operators would have it undefined.
template <class T>
class [[nodiscard]] Result {
 public:
  using value_type = T;

  // A value; never a bare Status, which must come as a Failure.
  template <class U = T>
  requires std::is_constructible_v<T, U&&> &&(!std::is_same_v<std::remove_cvref_t<U>, Result>)&&(
      !std::is_same_v<std::remove_cvref_t<U>,
                      Failure>)&&(!std::is_same_v<std::remove_cvref_t<U>,
                                                  Status>)&&(!std::is_same_v<std::remove_cvref_t<U>,
                                                                             Status::Code>)
      Result(U&& value)
      : state_(std::in_place_index<0>, std::forward<U>(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure).error()) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { return *Held<0>(); }
  const T& value() const& { return *Held<0>(); }
  T&& value() && { return std::move(*Held<0>()); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return Held<0>(); }
  const T* operator->() const { return Held<0>(); }
  const Status& error() const { return *Held<1>(); }

  template <class U>
  T value_or(U&& otherwise) const& {
    return has_value() ? value() : static_cast<T>(std::forward<U>(otherwise));
  }

 private:
  template <size_t I>
  auto* Held() {
    if (state_.index() != I) std::abort();
    return std::get_if<I>(&state_);
  }
  template <size_t I>
  const auto* Held() const {
    if (state_.index() != I) std::abort();
    return std::get_if<I>(&state_);
  }

  std::variant<T, Status> state_;
};

// A call that gives back nothing but whether it worked.
template <>
class [[nodiscard]] Result<void> {
 public:
  using value_type = void;

  Result() = default;
  Result(Failure failure) : status_(std::move(failure).error()), failed_(true) {}

  bool has_value() const { return !failed_; }
  explicit operator bool() const { return has_value(); }
  void value() const {
    if (failed_) std::abort();
  }
  void operator*() const { value(); }
  const Status& error() const {
    if (!failed_) std::abort();
    return status_;
  }

 private:
  Status status_;
  bool failed_ = false;
};

#endif

}  // namespace veltrane
