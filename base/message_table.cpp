// The look-ups over the message table. The table is a constant array built from
// base/messages.def in number order, so a look-up is a binary search; the compiler rejects a
// duplicate or out-of-order number and a placeholder Format cannot fill.
#include "base/message_table.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace vl::msg {
namespace {

constexpr Entry kTable[] = {
#define VL_MESSAGE(number, name, text) {number, #name, text},
#include "base/messages.def"
};

constexpr bool StrictlyIncreasing() {
  for (std::size_t i = 1; i < std::size(kTable); ++i)
    if (kTable[i - 1].number >= kTable[i].number) return false;
  return true;
}
static_assert(StrictlyIncreasing(), "message numbers must be unique and in increasing order");

// Format hands the texts to vsnprintf: a conversion other than these would read an argument of
// a type no caller passes.
constexpr bool OnlyKnownPlaceholders() {
  for (const Entry& e : kTable) {
    const std::string_view t = e.text;
    for (std::size_t at = t.find('%'); at != std::string_view::npos; at = t.find('%', at)) {
      const std::string_view rest = t.substr(at + 1);
      if (rest.starts_with("ld")) at += 3;
      else if (rest.starts_with('d') || rest.starts_with('s') || rest.starts_with('%')) at += 2;
      else return false;
    }
  }
  return true;
}
static_assert(OnlyKnownPlaceholders(), "a text may hold only %d, %ld, %s and %%");

const Entry* Find(int number) {
  const Entry* end = std::end(kTable);
  const Entry* it = std::lower_bound(std::begin(kTable), end, number,
                                     [](const Entry& e, int n) { return e.number < n; });
  return it != end && it->number == number ? it : nullptr;
}

}  // namespace

std::string_view Text(int number) {
  const Entry* e = Find(number);
  return e ? e->text : std::string_view("");
}

bool Has(int number) { return Find(number) != nullptr; }

std::string Format(int number, ...) {
  const Entry* e = Find(number);
  if (!e) return {};
  // The texts are literals, so e->text.data() is a NUL-terminated format of our own; a
  // caller's string only ever arrives as an argument, never as the format.
  const char* fmt = e->text.data();
  va_list args, copy;
  va_start(args, number);
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n));
    std::vsnprintf(out.data(), out.size() + 1, fmt, copy);
  }
  va_end(copy);
  return out;
}

std::span<const Entry> Entries() { return kTable; }

}  // namespace vl::msg
