// JPEG loader over the system's JPEG library (6b programming interface). The library reports
// fatal errors by calling our error exit, which jumps back into LoadJpegImage; that function
// therefore holds no object with a destructor, and everything it must release after a jump lives
// in one heap block whose pointer never changes after setjmp.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "morrow/graphics/image_loader.h"
#include "morrow/graphics/image_loader_internal.h"
#include "morrow/system/log.h"

namespace morrow {
namespace {

using namespace image_internal;

constexpr size_t kSourceBufferBytes = 4096;
// The marker every JPEG file opens with, after its 0xFF.
constexpr uint8_t kStartOfImage = 0xD8;
// A progressive file may split its coefficients over many scans, each a pass over the whole
// image; real encoders use about ten. More than this is treated as a hostile file.
constexpr int kMaxProgressiveScans = 128;
// Working memory the library may take for one image (coefficient buffers of progressive files).
constexpr long kMaxDecoderMemory = 768L << 20;

struct JpegSource {
  jpeg_source_mgr pub;
  StreamSource* stream;
  int64_t left;  // bytes of the stream not yet read
  boolean startOfFile;
  boolean fakeEnd;  // the end-of-image code was supplied after the data ran out
  JOCTET buffer[kSourceBufferBytes];
};

struct JpegJob {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  uint8_t* pixels;
};

JpegJob* JobOf(j_common_ptr cinfo) {
  // err is the job's own error manager, so the job is found from it.
  return reinterpret_cast<JpegJob*>(reinterpret_cast<char*>(cinfo->err) - offsetof(JpegJob, err));
}

void OutputMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  WriteLogFormat("%s", text);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(JobOf(cinfo)->jump, 1);
}

void ProgressMonitor(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->progressive_mode && d->input_scan_number > kMaxProgressiveScans) {
    std::longjmp(JobOf(cinfo)->jump, 1);
  }
}

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegSource*>(cinfo->src)->startOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  size_t want = src->left < static_cast<int64_t>(kSourceBufferBytes)
                    ? static_cast<size_t>(src->left)
                    : kSourceBufferBytes;
  size_t got = 0;
  if (want > 0) {
    got = src->stream->functions.read(src->buffer, 1, want, src->stream->handle);
    if (got > want) got = 0;  // a broken stream operation: treat as the end
  }
  src->left = got < want ? 0 : src->left - static_cast<int64_t>(got);
  if (got == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
    src->fakeEnd = TRUE;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = got;
  src->startOfFile = FALSE;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<JpegSource*>(cinfo->src);
  size_t n = static_cast<size_t>(count);
  while (n > src->pub.bytes_in_buffer) {
    n -= src->pub.bytes_in_buffer;
    src->fakeEnd = FALSE;
    FillInputBuffer(cinfo);
    // Past the end there is only the supplied end code; skipping it as well would loop.
    if (src->fakeEnd) return;
  }
  src->pub.next_input_byte += n;
  src->pub.bytes_in_buffer -= n;
}

void TermSource(j_decompress_ptr) {}

void UseStreamSource(j_decompress_ptr cinfo, StreamSource* stream, int64_t left) {
  auto* src = static_cast<JpegSource*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSource)));
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->stream = stream;
  src->left = left;
  src->startOfFile = TRUE;
  src->fakeEnd = FALSE;
  cinfo->src = &src->pub;
}

uint8_t Product255(unsigned a, unsigned b) {
  return static_cast<uint8_t>((a * b + 127) / 255);
}

// One decoded scanline into one row of the image: colour samples blue first; CMYK converted to
// RGB, its samples stored inverted when the Adobe marker is present.
void StoreRow(const JSAMPLE* row, int components, bool inverted, JDIMENSION width, uint8_t* dest) {
  if (components == 1) {
    std::memcpy(dest, row, width);
    return;
  }
  for (JDIMENSION x = 0; x < width; ++x, dest += 3) {
    if (components == 3) {
      const JSAMPLE* p = row + 3 * x;
      dest[0] = p[2];
      dest[1] = p[1];
      dest[2] = p[0];
      continue;
    }
    const JSAMPLE* p = row + 4 * x;
    unsigned c = p[0], m = p[1], y = p[2], k = p[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    dest[0] = Product255(y, k);
    dest[1] = Product255(m, k);
    dest[2] = Product255(c, k);
  }
}

void ReleaseJob(JpegJob* job) {
  jpeg_destroy_decompress(&job->cinfo);
  std::free(job->pixels);
  std::free(job);
}

}  // namespace

int LoadJpegImage(StreamSource* stream, GraphImage* out) {
  int64_t size;
  if (!MeasureStream(stream, &size)) return -1;
  int64_t here = Tell(stream);
  if (here < 0 || here > size) return -1;
  // The loader chain tries every picture here: data that does not even open with the
  // start-of-image code is another loader's, and is passed on without the decoder's "Not a JPEG
  // file" line. A JPEG that turns out damaged still gets the decoder's message.
  uint8_t soi[2];
  if (!ReadExact(stream, soi, 2) || soi[0] != 0xFF || soi[1] != kStartOfImage ||
      !SeekTo(stream, here)) {
    return -1;
  }

  JpegJob* const job = static_cast<JpegJob*>(std::calloc(1, sizeof(JpegJob)));
  if (job == nullptr) return -1;
  job->cinfo.err = jpeg_std_error(&job->err);
  job->err.error_exit = ErrorExit;
  job->err.output_message = OutputMessage;
  if (setjmp(job->jump) != 0) {
    ReleaseJob(job);
    return -1;
  }
  jpeg_create_decompress(&job->cinfo);
  j_decompress_ptr cinfo = &job->cinfo;
  cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
  job->progress.progress_monitor = ProgressMonitor;
  cinfo->progress = &job->progress;
  UseStreamSource(cinfo, stream, size - here);

  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
    ReleaseJob(job);
    return -1;
  }
  int components;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo->out_color_space = JCS_GRAYSCALE;
      components = 1;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo->out_color_space = JCS_RGB;
      components = 3;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      components = 4;
      break;
    default:
      ReleaseJob(job);
      return -1;
  }
  const int64_t pitch = int64_t{cinfo->image_width} * (components == 1 ? 1 : 3);
  if (!ImageSizeFits(cinfo->image_width, cinfo->image_height, pitch)) {
    ReleaseJob(job);
    return -1;
  }
  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != cinfo->image_width || cinfo->output_height != cinfo->image_height ||
      cinfo->output_components != components) {
    ReleaseJob(job);
    return -1;
  }
  const JDIMENSION stride = cinfo->output_width * static_cast<JDIMENSION>(components);
  JSAMPARRAY row =
      (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, stride, 1);
  job->pixels =
      static_cast<uint8_t*>(AllocatePixels(static_cast<size_t>(pitch) * cinfo->output_height));
  if (job->pixels == nullptr) {
    ReleaseJob(job);
    return -1;
  }
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* dest = job->pixels + static_cast<size_t>(pitch) * cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) {
      ReleaseJob(job);
      return -1;
    }
    StoreRow(row[0], components, cinfo->saw_Adobe_marker != 0, cinfo->output_width, dest);
  }
  jpeg_finish_decompress(cinfo);

  if (components == 1) {
    InitAlpha8ColorFormat(&out->format);
  } else {
    InitRgb24ColorFormat(&out->format);
  }
  out->width = static_cast<int32_t>(cinfo->output_width);
  out->height = static_cast<int32_t>(cinfo->output_height);
  out->pitch = static_cast<int32_t>(pitch);
  out->pixels = job->pixels;
  job->pixels = nullptr;
  ReleaseJob(job);
  return 0;
}

}  // namespace morrow
