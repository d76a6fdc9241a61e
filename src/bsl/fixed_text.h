// Fixed-size, NUL-terminated text fields (names, version answers) with explicit truncation.
//
// A field of N bytes holds at most N - 1 characters; longer text is cut, never overrun.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace vesk {

template <size_t N>
using FixedText = std::array<char, N>;

// Copies at most N - 1 characters of `text` (and nothing after an embedded NUL), then a NUL.
// Returns true when the whole text fitted.
template <size_t N>
bool CopyTruncated(FixedText<N>& field, std::string_view text) {
  static_assert(N > 0);
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
  const size_t count = text.size() < N - 1 ? text.size() : N - 1;
  field.fill('\0');
  if (count > 0) {
    std::memcpy(field.data(), text.data(), count);
  }
  return count == text.size();
}

// The field's text up to its NUL (the whole field when a writer forgot the NUL).
template <size_t N>
std::string_view TextOf(const FixedText<N>& field) {
  const void* nul = std::memchr(field.data(), '\0', N);
  const size_t length = nul ? static_cast<const char*>(nul) - field.data() : N;
  return std::string_view(field.data(), length);
}

}  // namespace vesk
