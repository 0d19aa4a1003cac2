#include "files/jpeg_write.h"

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <memory>
#include <new>

#include "core/hooks.h"
#include "core/icc.h"

namespace {

constexpr int kQuality = 92;
constexpr size_t kOutputBytes = size_t{1} << 16;
constexpr JDIMENSION kBatchRows = 16;

// Everything the encoder touches lives here, outside the frame that calls
// setjmp, so a jump back from the library leaves nothing half-known behind.
struct EncodeJob {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  std::jmp_buf jump;
  jpeg_destination_mgr destination;
  FileHandle* file = nullptr;  // the caller's, open for the whole run
  uint8_t* buffer;
  bool created;
  bool writeFailed;
};

EncodeJob* JobOf(j_common_ptr cinfo) { return static_cast<EncodeJob*>(cinfo->client_data); }

[[noreturn]] void JumpOnError(j_common_ptr cinfo) { std::longjmp(JobOf(cinfo)->jump, 1); }

void SilenceMessage(j_common_ptr) {}

int Flush(EncodeJob* job, size_t count) {
  uint32_t n = static_cast<uint32_t>(count);
  if (WriteBytes(*job->file, &n, job->buffer) != 0) {
    job->writeFailed = true;
    return 1;
  }
  return 0;
}

void StartDestination(j_compress_ptr cinfo) {
  EncodeJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
  job->destination.next_output_byte = job->buffer;
  job->destination.free_in_buffer = kOutputBytes;
}

// The library only calls this with the whole buffer full.
boolean EmptyDestination(j_compress_ptr cinfo) {
  EncodeJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
  if (Flush(job, kOutputBytes) != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
  job->destination.next_output_byte = job->buffer;
  job->destination.free_in_buffer = kOutputBytes;
  return TRUE;
}

void TerminateDestination(j_compress_ptr cinfo) {
  EncodeJob* job = JobOf(reinterpret_cast<j_common_ptr>(cinfo));
  if (Flush(job, kOutputBytes - job->destination.free_in_buffer) != 0) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// JFIF keeps the density in whole dots per inch, in 16 bits.
UINT16 Density(double resolution) {
  const double rounded = std::round(resolution);
  if (rounded < 1.0) return 1;
  if (rounded > 65535.0) return 65535;
  return static_cast<UINT16>(rounded);
}

// Only trivially destructible locals live in this frame, so a longjmp out of
// the library cannot skip a destructor.
int RunEncode(EncodeJob* job, const Image& image) {
  if (setjmp(job->jump) != 0) return 1;
  jpeg_compress_struct* cinfo = &job->cinfo;
  jpeg_create_compress(cinfo);
  job->created = true;
  cinfo->client_data = job;
  cinfo->dest = &job->destination;
  cinfo->image_width = static_cast<JDIMENSION>(image.width);
  cinfo->image_height = static_cast<JDIMENSION>(image.height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;  // the Image's own byte order
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, kQuality, TRUE);
  // A proof shows fine coloured detail (mat cores, thin lines) at full resolution.
  for (int c = 0; c < cinfo->num_components; ++c) {
    cinfo->comp_info[c].h_samp_factor = 1;
    cinfo->comp_info[c].v_samp_factor = 1;
  }
  // Optimised Huffman tables would have the library keep every coefficient
  // of the picture until the end; the standard tables keep it streaming.
  cinfo->optimize_coding = FALSE;
  cinfo->write_JFIF_header = TRUE;
  // Without a resolution the header says only that pixels are square.
  const bool known = image.resolution > 0.0;
  cinfo->density_unit = known ? 1 : 0;
  cinfo->X_density = known ? Density(image.resolution) : 1;
  cinfo->Y_density = cinfo->X_density;
  jpeg_start_compress(cinfo, TRUE);
  jpeg_write_icc_profile(cinfo, SrgbProfileBytes(), kSrgbProfileLength);

  // The file's first row is the picture's top row: Image row height - 1.
  const int32_t height = image.height;
  const JDIMENSION step = static_cast<JDIMENSION>(height / 100 > 1 ? height / 100 : 1);
  JDIMENSION reported = 0;
  JSAMPROW batch[kBatchRows];
  while (cinfo->next_scanline < cinfo->image_height) {
    const JDIMENSION first = cinfo->next_scanline;
    JDIMENSION count = cinfo->image_height - first;
    if (count > kBatchRows) count = kBatchRows;
    for (JDIMENSION i = 0; i < count; ++i)
      batch[i] = image.rows[height - 1 - static_cast<int32_t>(first + i)];
    if (jpeg_write_scanlines(cinfo, batch, count) != count) return 1;
    if (cinfo->next_scanline - reported >= step || cinfo->next_scanline == cinfo->image_height) {
      reported = cinfo->next_scanline;
      ReportProgress(reported, height);
    }
  }
  jpeg_finish_compress(cinfo);
  return 0;
}

}  // namespace

int WriteJpeg(FileHandle& file, const Image& image) {
  if (image.type != Rgb8 || image.width < 1 || image.height < 1 || image.rows == nullptr) return 1;
  // JPEG sides are at most 65500 pixels.
  if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) return 1;
  std::unique_ptr<EncodeJob> job(new (std::nothrow) EncodeJob());
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kOutputBytes]);
  if (!job || !buffer) {
    RecordFileError(ENOMEM);
    return 1;
  }
  job->file = &file;
  job->buffer = buffer.get();
  job->cinfo.err = jpeg_std_error(&job->error);
  job->error.error_exit = JumpOnError;
  job->error.output_message = SilenceMessage;
  job->destination.init_destination = StartDestination;
  job->destination.empty_output_buffer = EmptyDestination;
  job->destination.term_destination = TerminateDestination;
  ReportProgress(0, image.height);
  const int result = RunEncode(job.get(), image);
  // A failed write has its reason recorded already; the encoder's own
  // failures give none, except for memory.
  if (result != 0 && !job->writeFailed && job->error.msg_code == JERR_OUT_OF_MEMORY) RecordFileError(ENOMEM);
  if (job->created) jpeg_destroy_compress(&job->cinfo);
  return result;
}
