// soundgen KIND OUT RATE CHANNELS FRAMES TONE_HZ
// Writes a sine tone as an Ogg Vorbis (KIND ogg) or MP3 (KIND mp3) file for
// the sound tests. Test-only: it links the reference encoders, which the game
// never uses.
#include <vorbis/vorbisenc.h>
#ifdef SOUNDGEN_MP3
#include <lame/lame.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

static float Tone(long frame, int channel, long rate, double hz) {
  double phase = 2.0 * M_PI * hz * static_cast<double>(frame) / rate;
  return static_cast<float>(0.5 * std::sin(phase + channel * 0.5));
}

static int WriteOgg(const char* out, long rate, int channels, long frames, double hz) {
  std::FILE* f = std::fopen(out, "wb");
  if (!f) return 1;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, 0.4f) != 0) return 1;
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 12345);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) {
    std::fwrite(og.header, 1, og.header_len, f);
    std::fwrite(og.body, 1, og.body_len, f);
  }
  long done = 0;
  bool eos = false;
  while (!eos) {
    long n = std::min(1024L, frames - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (long i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = Tone(done + i, c, rate, hz);
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (!eos && ogg_stream_pageout(&os, &og)) {
          std::fwrite(og.header, 1, og.header_len, f);
          std::fwrite(og.body, 1, og.body_len, f);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0 ? 0 : 1;
}

#ifdef SOUNDGEN_MP3
static int WriteMp3(const char* out, long rate, int channels, long frames, double hz) {
  lame_global_flags* gf = lame_init();
  lame_set_in_samplerate(gf, static_cast<int>(rate));
  lame_set_out_samplerate(gf, static_cast<int>(rate));
  lame_set_num_channels(gf, channels);
  lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(gf, 64);
  lame_set_bWriteVbrTag(gf, 1);
  if (lame_init_params(gf) < 0) return 1;
  std::vector<short> left(frames), right(frames);
  for (long i = 0; i < frames; ++i) {
    left[i] = static_cast<short>(Tone(i, 0, rate, hz) * 32767);
    right[i] = static_cast<short>(Tone(i, 1, rate, hz) * 32767);
  }
  std::vector<unsigned char> mp3(static_cast<std::size_t>(1.25 * frames + 7200 + 16384));
  int n = lame_encode_buffer(gf, left.data(), channels == 2 ? right.data() : left.data(), static_cast<int>(frames),
                             mp3.data(), static_cast<int>(mp3.size()));
  if (n < 0) return 1;
  int m = lame_encode_flush(gf, mp3.data() + n, static_cast<int>(mp3.size()) - n);
  if (m < 0) return 1;
  std::FILE* f = std::fopen(out, "w+b");
  if (!f) return 1;
  std::fwrite(mp3.data(), 1, static_cast<std::size_t>(n + m), f);
  lame_mp3_tags_fid(gf, f);
  lame_close(gf);
  return std::fclose(f) == 0 ? 0 : 1;
}
#endif

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: soundgen ogg|mp3 OUT RATE CHANNELS FRAMES TONE_HZ\n");
    return 2;
  }
  long rate = std::atol(argv[3]);
  int channels = std::atoi(argv[4]);
  long frames = std::atol(argv[5]);
  double hz = std::atof(argv[6]);
  if (std::strcmp(argv[1], "ogg") == 0) return WriteOgg(argv[2], rate, channels, frames, hz);
#ifdef SOUNDGEN_MP3
  if (std::strcmp(argv[1], "mp3") == 0) return WriteMp3(argv[2], rate, channels, frames, hz);
#endif
  std::fprintf(stderr, "soundgen: kind %s not available\n", argv[1]);
  return 3;
}
