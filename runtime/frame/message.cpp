#include "runtime/frame/message.h"

#include <cstring>

#include "runtime/host/host.h"

namespace rt {

namespace {

// Writes all of [data, data + n) to descriptor fd. Returns false with
// errno set when the host fails.
bool write_all(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    long long done = host::write_some(fd, data, n);
    if (done < 0) return false;
    data += done;
    n -= static_cast<std::size_t>(done);
  }
  return true;
}

}  // namespace

Message& Message::operator<<(std::string_view text) {
  // A text longer than the line's room is sent in pieces.
  while (!text.empty()) {
    if (len_ == kCapacity) send();
    std::size_t take = std::min(text.size(), kCapacity - len_);
    std::memcpy(text_ + len_, text.data(), take);
    len_ += take;
    text.remove_prefix(take);
  }
  return *this;
}

Message& Message::operator<<(char c) {
  return *this << std::string_view(&c, 1);
}

Message& Message::operator<<(long long number) {
  char digits[24];
  std::size_t n = 0;
  unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number)
                                            : static_cast<unsigned long long>(number);
  do {
    digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) digits[sizeof digits - 1 - n++] = '-';
  return *this << std::string_view(digits + sizeof digits - n, n);
}

const char* host_error_text(int number) {
  return host::error_text(number);
}

void Message::send() {
  write_all(host::kStandardError, text_, len_);
  len_ = 0;
}

}  // namespace rt
