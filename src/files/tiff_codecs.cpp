// The PackBits and Deflate decoders of the TIFF reader. Both fill exactly
// the output they are given, as libtiff does: a stream that stops short of
// it is damaged, and runs that would go past it are cut.
#include <zlib.h>

#include <climits>
#include <cstring>

#include "files/tiff.h"

int DecodeTiffPackBits(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength) {
  size_t in = 0, out = 0;
  while (out < outputLength) {
    if (in >= inputLength) return 1;
    const int n = static_cast<int8_t>(input[in++]);
    if (n == -128) continue;  // a no-op
    if (n >= 0) {
      const size_t length = static_cast<size_t>(n) + 1;
      if (length > inputLength - in) return 1;
      const size_t take = length < outputLength - out ? length : outputLength - out;
      std::memcpy(output + out, input + in, take);
      in += length;
      out += take;
    } else {
      if (in >= inputLength) return 1;
      const size_t length = static_cast<size_t>(1 - n);
      const size_t take = length < outputLength - out ? length : outputLength - out;
      std::memset(output + out, input[in++], take);
      out += take;
    }
  }
  return 0;
}

int DecodeTiffDeflate(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return 1;
  // zlib counts in unsigned int: long strips are fed and drained in parts.
  size_t in = 0, out = 0;
  int status = Z_OK;
  while (out < outputLength && status == Z_OK) {
    if (stream.avail_in == 0 && in < inputLength) {
      const size_t part = inputLength - in < UINT_MAX ? inputLength - in : UINT_MAX;
      stream.next_in = const_cast<uint8_t*>(input + in);
      stream.avail_in = static_cast<unsigned>(part);
      in += part;
    }
    const size_t room = outputLength - out < UINT_MAX ? outputLength - out : UINT_MAX;
    stream.next_out = output + out;
    stream.avail_out = static_cast<unsigned>(room);
    status = inflate(&stream, Z_NO_FLUSH);
    out += room - stream.avail_out;
    // No progress with all the input given: the stream ends early.
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && in == inputLength) break;
    if (status == Z_BUF_ERROR) status = Z_OK;
  }
  inflateEnd(&stream);
  return out == outputLength && (status == Z_OK || status == Z_STREAM_END) ? 0 : 1;
}
