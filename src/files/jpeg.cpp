#include "files/jpeg.h"

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/fileio.h"
#include "files/exif.h"

namespace {

// ---------------------------------------------------------------------------
// Decoding through libjpeg-turbo

// libjpeg reports a fatal error by calling error_exit, which must not return;
// we jump back to the decode call instead of letting the library exit().
struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  std::longjmp(manager->jump, 1);
}

// Warnings (a truncated file, corrupt data the library works around) are
// not shown: the picture still decodes, as far as it goes.
void SilenceMessage(j_common_ptr) {}

// Everything the decode touches lives here, outside the frame that calls
// setjmp, so a jump back leaves nothing half-known behind.
struct DecodeJob {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  std::FILE* file;
  bool created;
};

bool UsableResolution(double r) { return r > 0.0 && r < 1.0e6; }

double ResolutionOf(const jpeg_decompress_struct& cinfo) {
  if (cinfo.saw_JFIF_marker) {
    double x = 0.0;
    if (cinfo.density_unit == 1) x = cinfo.X_density;
    if (cinfo.density_unit == 2) x = cinfo.X_density * 2.54;
    if (UsableResolution(x)) return x;
  }
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const ExifFacts exif = ReadExif(m->data, m->data_length);
    if (exif.resolution > 0.0) return exif.resolution;
  }
  return 96.0;
}

// The Orientation of the first Exif block; other APP1 segments (XMP) are
// passed over.
int32_t OrientationOf(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const ExifFacts exif = ReadExif(m->data, m->data_length);
    if (exif.exif) return exif.orientation;
  }
  return 1;
}

// Only trivially destructible locals live in this frame, so a longjmp out of
// the library cannot skip a destructor.
int RunDecode(DecodeJob* job, Image* destination, uint64_t* refusedBytes, const DecodedRowsHook* decodedRows,
              int32_t* orientation) {
  if (setjmp(job->error.jump) != 0) return 1;
  jpeg_decompress_struct* cinfo = &job->cinfo;
  jpeg_create_decompress(cinfo);
  job->created = true;
  jpeg_stdio_src(cinfo, job->file);
  jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return 1;

  int32_t type;
  if (cinfo->jpeg_color_space == JCS_GRAYSCALE && cinfo->num_components == 1) {
    cinfo->out_color_space = JCS_GRAYSCALE;
    type = Gray8;
  } else if ((cinfo->jpeg_color_space == JCS_YCbCr || cinfo->jpeg_color_space == JCS_RGB) &&
             cinfo->num_components == 3) {
    cinfo->out_color_space = JCS_EXT_BGR;  // the Image's own byte order
    type = Rgb8;
  } else {
    return 1;  // CMYK, YCCK and anything else
  }
  // Checked before the library or we allocate anything of picture size.
  // The picture becomes Rgb8 whatever the file holds; a progressive or
  // multi-scan file also has the library keep every coefficient of the
  // picture (two bytes each, in whole blocks) until the last scan.
  const uint64_t pixels = uint64_t{cinfo->image_width} * cinfo->image_height;
  if (pixels == 0) return 1;
  uint64_t needed = 3 * pixels;
  const bool multipleScans = jpeg_has_multiple_scans(cinfo);
  if (multipleScans) {
    for (int c = 0; c < cinfo->num_components; ++c) {
      const jpeg_component_info& component = cinfo->comp_info[c];
      const uint64_t h = static_cast<uint64_t>(component.h_samp_factor);
      const uint64_t v = static_cast<uint64_t>(component.v_samp_factor);
      needed +=
          (component.width_in_blocks + h - 1) / h * h * ((component.height_in_blocks + v - 1) / v * v) * 128;
    }
  }
  // A picture stored turned is turned upright into a second copy, after the
  // decoder has let go of its coefficients.
  *orientation = OrientationOf(*cinfo);
  if (*orientation != 1 && needed < 6 * pixels) needed = 6 * pixels;
  if (needed > kMaxJpegBytes) {
    *refusedBytes = needed;
    return 1;
  }
  // Should the library want more for those coefficients than reckoned here,
  // the decode fails instead (0 would mean no limit at all).
  if (multipleScans) cinfo->mem->max_memory_to_use = static_cast<long>(kMaxJpegBytes - 3 * pixels) + 1;

  const double resolution = ResolutionOf(*cinfo);
  jpeg_start_decompress(cinfo);
  const int32_t width = static_cast<int32_t>(cinfo->output_width);
  const int32_t height = static_cast<int32_t>(cinfo->output_height);
  if (cinfo->output_components != (type == Gray8 ? 1 : 3)) return 1;
  if (AllocImage(destination, type, width, height, resolution) != 0) return 1;

  // The file's first row is the picture's top row: Image row height - 1.
  constexpr JDIMENSION kBatch = 16;
  JSAMPROW batch[kBatch];
  while (cinfo->output_scanline < cinfo->output_height) {
    const JDIMENSION first = cinfo->output_scanline;
    JDIMENSION count = cinfo->output_height - first;
    if (count > kBatch) count = kBatch;
    for (JDIMENSION i = 0; i < count; ++i)
      batch[i] = destination->rows[height - 1 - static_cast<int32_t>(first + i)];
    if (jpeg_read_scanlines(cinfo, batch, count) == 0) return 1;
    if (*decodedRows) (*decodedRows)(static_cast<int32_t>(cinfo->output_scanline));
  }
  // Whatever follows the last row (trailing markers, garbage) does not
  // concern the picture, so the stream is not read to its end.
  return 0;
}

// ---------------------------------------------------------------------------
// ICC profile chunks

int ReadExactly(FileHandle& file, uint32_t count, uint8_t* buffer) {
  uint32_t done = 0;
  while (done < count) {
    uint32_t n = count - done;
    if (ReadBytes(file, &n, buffer + done) != 0 || n == 0) return 1;
    done += n;
  }
  return 0;
}

bool IsIccIdentifier(const uint8_t* id) {
  static const char kIdentifier[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  for (int i = 0; i < 12; ++i) {
    uint8_t c = id[i];
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
    if (c != static_cast<uint8_t>(kIdentifier[i])) return false;
  }
  return true;
}

int GatherIccChunks(FileHandle& file, IccProfile* profile) {
  uint8_t start[2];
  if (ReadExactly(file, 2, start) != 0 || start[0] != 0xFF || start[1] != 0xD8) return 1;
  std::vector<std::vector<uint8_t>> chunks;  // in file order
  uint64_t p = 2;
  for (;;) {
    if (p >= kFileFailure || SeekTo(file, static_cast<uint32_t>(p)) != 0) return 1;
    uint8_t marker[2];
    if (ReadExactly(file, 2, marker) != 0) return 1;
    if (marker[0] == 0xFF && marker[1] == 0xFF) {
      // A fill byte, which may pad any marker; the marker follows it.
      p += 1;
      continue;
    }
    p += 2;
    if (marker[0] != 0xFF) return 0;
    if (marker[1] == 0xD9 || (marker[1] >= 0xC0 && marker[1] <= 0xCF)) return 0;
    uint8_t lengthBytes[2];
    if (ReadExactly(file, 2, lengthBytes) != 0) return 1;
    const uint32_t length = ReadBigEndian16(lengthBytes, 0);
    // An APP2 segment too short for the chunk header cannot be a chunk;
    // it is stepped over like any other segment.
    if (marker[1] == 0xE2 && length >= 16) {
      uint8_t header[14];
      if (ReadExactly(file, 14, header) != 0) return 1;
      if (IsIccIdentifier(header)) {
        const uint8_t sequence = header[12];
        const uint8_t count = header[13];
        chunks.emplace_back(length - 16);
        if (ReadExactly(file, length - 16, chunks.back().data()) != 0) return 1;
        if (sequence == count) {
          size_t total = 0;
          for (const auto& chunk : chunks) total += chunk.size();
          profile->reserve(total);
          for (const auto& chunk : chunks) profile->insert(profile->end(), chunk.begin(), chunk.end());
          return 0;
        }
      }
    }
    p += length;
  }
}

}  // namespace

int DecodeWithImagingLibrary(const std::string& path, Image* destination, std::string* sizeNote,
                             const DecodedRowsHook& decodedRows, int32_t* orientation) {
  FreeImage(destination);
  FileHandle handle;
  if (OpenForRead(path, &handle) != 0) return 1;
  std::FILE* file = ::fdopen(handle.Descriptor(), "rb");
  if (file == nullptr) return 1;
  handle.Release();  // the stream closes it now
  std::unique_ptr<DecodeJob> job(new (std::nothrow) DecodeJob());
  if (!job) {
    std::fclose(file);
    return 1;
  }
  job->file = file;
  job->cinfo.err = jpeg_std_error(&job->error.pub);
  job->error.pub.error_exit = JumpOnError;
  job->error.pub.output_message = SilenceMessage;
  uint64_t refusedBytes = 0;
  int32_t stored = 1;
  const int result = RunDecode(job.get(), destination, &refusedBytes, &decodedRows, &stored);
  if (orientation != nullptr) *orientation = result == 0 ? stored : 1;
  // The library itself refuses a side above 65500 pixels.
  if (result != 0 && job->error.pub.msg_code == JERR_IMAGE_TOO_BIG)
    refusedBytes = 3 * uint64_t{job->cinfo.image_width} * job->cinfo.image_height;
  if (refusedBytes != 0 && sizeNote != nullptr) {
    constexpr uint64_t kMegabyte = uint64_t{1} << 20;
    *sizeNote = "The picture has " + std::to_string(job->cinfo.image_width) + " x " +
                std::to_string(job->cinfo.image_height) + " pixels and needs " +
                std::to_string((refusedBytes + kMegabyte - 1) / kMegabyte) + " MB to read; at most " +
                std::to_string(kMaxJpegBytes / kMegabyte) + " MB can be used.";
  }
  if (job->created) jpeg_destroy_decompress(&job->cinfo);
  std::fclose(file);
  if (result != 0) {
    if (decodedRows) decodedRows(-1);
    FreeImage(destination);
  }
  return result;
}

int ReadJpegIccProfile(const std::string& path, IccProfile* profile) {
  profile->clear();
  FileHandle file;
  if (OpenForRead(path, &file) != 0) return 1;
  int result;
  try {
    result = GatherIccChunks(file, profile);
  } catch (const std::bad_alloc&) {
    result = 1;
  }
  if (result != 0) profile->clear();
  return result;
}
