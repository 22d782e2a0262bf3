// A line of text for standard error, built in fixed storage and handed to
// the descriptor through the host seam's write. No heap, no stdio, no locks: the signal
// handlers and the fatal report use it alike.
#pragma once

#include <cstddef>
#include <string_view>

namespace rt {

class Message {
 public:
  Message& operator<<(std::string_view text);
  Message& operator<<(char c);
  Message& operator<<(long long number);
  Message& operator<<(int number) { return *this << static_cast<long long>(number); }
  // Hands the text collected so far to standard error and empties it.
  void send();

 private:
  static constexpr std::size_t kCapacity = 512;
  char text_[kCapacity];
  std::size_t len_ = 0;
};

// The host's text for an error number, from static storage: no locale and
// no allocation, so the ending paths may use it in a signal handler.
const char* host_error_text(int number);

}  // namespace rt
