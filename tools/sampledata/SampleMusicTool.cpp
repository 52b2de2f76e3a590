// make_music FOLDER: writes the sample songs as FOLDER/<name>.ogg (Ogg
// Vorbis, mono, 22,050 Hz, fixed stream serial), the same bytes on every
// run. Exit code 0 on success, 1 when encoding or writing fails, 2 on wrong
// usage. A file is written whole to a temporary name first and renamed.
#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/sampledata/SampleMusic.h"

namespace {

constexpr int kSerial = 20240601;
constexpr float kQuality = 0.1f;

bool WritePage(std::FILE* out, const ogg_page& page) {
  return std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), out) ==
             static_cast<std::size_t>(page.header_len) &&
         std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), out) ==
             static_cast<std::size_t>(page.body_len);
}

bool Encode(const Kivo::SampleSong& song, std::FILE* out) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 1, Kivo::kSampleSongRate, kQuality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kSerial);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &comments, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &comments);
  ogg_stream_packetin(&stream, &codebooks);
  bool ok = true;
  ogg_page page;
  while (ok && ogg_stream_flush(&stream, &page)) ok = WritePage(out, page);
  std::size_t done = 0;
  bool ended = false;
  while (ok && !ended) {
    const std::size_t n = std::min<std::size_t>(1024, song.samples.size() - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i) buffer[0][i] = song.samples[done + i];
      vorbis_analysis_wrote(&dsp, static_cast<int>(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&dsp, 0);
    }
    while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ok && !ended && ogg_stream_pageout(&stream, &page)) {
          ok = WritePage(out, page);
          ended = ogg_page_eos(&page) != 0;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_music FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (const Kivo::SampleSong& song : Kivo::SampleSongs()) {
    const std::filesystem::path path = folder / (song.name + ".ogg");
    const std::filesystem::path temporary = folder / (song.name + ".ogg.tmp");
    std::FILE* out = std::fopen(temporary.string().c_str(), "wb");
    bool ok = out != nullptr && Encode(song, out);
    if (out != nullptr && std::fclose(out) != 0) ok = false;
    if (ok) std::filesystem::rename(temporary, path, ec);
    if (!ok || ec) {
      std::filesystem::remove(temporary, ec);
      std::fprintf(stderr, "make_music: cannot write %s\n", path.string().c_str());
      return 1;
    }
  }
  return 0;
}
