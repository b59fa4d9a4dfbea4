// The message table. (Being filled in: the full table lands with its own change.)
#include "app/message_table.h"

#include <cstdarg>
#include <cstdio>
#include <map>

namespace vl::msg {
namespace {
const std::map<int, std::string_view>& Table() {
  static const std::map<int, std::string_view> table = {
      {11, "Insufficient memory to process image."},
      {12, "Can't save file because the disk is full or locked."},
      {13, "Can't perform operation because the scratch disk is full, locked, or unavailable."},
      {155, "Can't open temporary file because the scratch disk is full, locked, or unavailable."},
  };
  return table;
}
}  // namespace

std::string_view Text(int number) {
  auto it = Table().find(number);
  return it == Table().end() ? std::string_view() : it->second;
}

bool Has(int number) { return Table().count(number) != 0; }

std::string Format(int number, ...) {
  std::string fmt(Text(number));
  va_list args, copy;
  va_start(args, number);
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt.c_str(), args);
  va_end(args);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt.c_str(), copy);
  va_end(copy);
  return out;
}

}  // namespace vl::msg
