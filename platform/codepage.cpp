#include "platform/codepage.h"

#include <cerrno>
#include <mutex>

#include <iconv.h>

namespace platform {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    // An invalid or incomplete sequence: one byte becomes '?', and conversion goes on after it.
    if (dstLeft == 0) {
      size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    }
    *dst++ = '?';
    --dstLeft;
    ++src;
    --srcLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - dstLeft);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  for (unsigned char c : gbk) {
    if (c >= 0x80) return Convert("UTF-8", "CP936", gbk);
  }
  return std::string(gbk);
}

std::string Utf8ToGbk(std::string_view utf8) {
  for (unsigned char c : utf8) {
    if (c >= 0x80) return Convert("CP936", "UTF-8", utf8);
  }
  return std::string(utf8);
}

}  // namespace platform
